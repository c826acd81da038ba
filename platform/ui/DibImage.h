// Images of the resource formats as Qt images: device-independent bitmaps (BITMAP resources and the images
// of icons), icon groups and the toolbar strip. Every decoder checks its data: a truncated or inconsistent
// image gives a null QImage, never a read outside the data.
#pragma once

#include <span>
#include <vector>

#include <QIcon>
#include <QImage>

#include "platform/core/Resource.h"
#include "platform/core/WinTypes.h"

// A DIB (BITMAPINFOHEADER, palette, pixels) of 1, 4, 8, 24 or 32 bits per pixel, uncompressed, bottom-up
// (positive height) or top-down (negative height), as an RGB32 image.
QImage DibToImage(std::span<const BYTE> dib);

// The image of an RT_ICON resource: a DIB of twice the icon's height holding the colour pixels and then
// the 1-bit AND mask (set bits are transparent), or a PNG; as an ARGB32 image.
QImage IconDibToImage(std::span<const BYTE> data);

// Bitmap resource `id` of the module; null when it is absent or malformed.
QImage AfxLoadBitmapImage(HINSTANCE module, const ResId& id);

// The image of icon group `group` for a square of `size` pixels: the image of exactly that size (the one
// with the most colours when there are several), else the smallest larger one, else the largest.
QImage AfxLoadIconImage(HINSTANCE module, const ResId& group, int size);

// Every image of icon group `group` as one icon.
QIcon AfxLoadIcon(HINSTANCE module, const ResId& group);

// The images of a toolbar strip, left to right, each width x height; as many as fit whole.
std::vector<QImage> SplitToolbarBitmap(const QImage& strip, int width, int height);

// The button images of toolbar resource `id` (its bitmap has the same id), one per button that is not a
// separator, in button order; empty when the toolbar or its bitmap is absent, malformed, or too small for
// its buttons.
std::vector<QImage> AfxLoadToolbarImages(HINSTANCE module, const ResId& id);
