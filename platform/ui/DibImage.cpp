// Decoding of device-independent bitmaps, icon images and icon groups.
#include "platform/ui/DibImage.h"

#include <algorithm>
#include <limits>
#include <optional>

#include <QPixmap>

#include "platform/core/ResourceBytes.h"
#include "platform/core/ResourceFormats.h"

namespace {

constexpr DWORD BI_RGB = 0;
constexpr int kMaxDimension = 16384;  // far beyond any resource image; keeps allocations bounded

struct DibHeader {
  int width = 0;
  int height = 0;       // rows of pixels (for icons: the colour part, half the stored height)
  bool topDown = false;
  int bitCount = 0;
  std::vector<QRgb> palette;
  std::size_t pixelOffset = 0;
  std::size_t stride = 0;
};

std::size_t Stride(int width, int bits) {
  return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
}

// Reads and checks the header and palette; `icon` halves the stored height (colour rows + mask rows).
std::optional<DibHeader> ReadHeader(std::span<const BYTE> data, bool icon) {
  platform::ResourceReader reader(data);
  const auto headerSize = reader.Dword();
  const auto width = reader.Dword();
  const auto height = reader.Dword();
  const auto planes = reader.Word();
  const auto bitCount = reader.Word();
  const auto compression = reader.Dword();
  reader.Skip(4 * 3);  // image size, resolution
  const auto colorsUsed = reader.Dword();
  if (!reader.Skip(4) || *headerSize < 40 || *headerSize > data.size()) return std::nullopt;
  if (*planes != 1 || *compression != BI_RGB) return std::nullopt;
  const int bits = *bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;

  DibHeader header;
  header.width = static_cast<LONG>(*width);
  LONG rows = static_cast<LONG>(*height);
  header.topDown = rows < 0;
  if (rows == std::numeric_limits<LONG>::min()) return std::nullopt;
  if (rows < 0) rows = -rows;
  if (icon) {
    if (header.topDown || rows % 2) return std::nullopt;
    rows /= 2;
  }
  header.height = rows;
  header.bitCount = bits;
  if (header.width <= 0 || header.height <= 0 || header.width > kMaxDimension || header.height > kMaxDimension) {
    return std::nullopt;
  }

  std::size_t colours = 0;
  if (bits <= 8) {
    const std::size_t maximum = std::size_t{1} << bits;
    colours = *colorsUsed == 0 ? maximum : *colorsUsed;
    if (colours > maximum) return std::nullopt;
  } else if (*colorsUsed > 256) {
    return std::nullopt;
  } else {
    colours = *colorsUsed;  // an optional palette before true-colour pixels, skipped
  }
  platform::ResourceReader palette(data, *headerSize);
  for (std::size_t i = 0; i < colours; ++i) {
    const auto quad = palette.Bytes(4);
    if (!quad) return std::nullopt;
    if (bits <= 8) header.palette.push_back(qRgb((*quad)[2], (*quad)[1], (*quad)[0]));
  }
  header.pixelOffset = palette.Position();
  header.stride = Stride(header.width, bits);
  const std::size_t colourBytes = header.stride * static_cast<std::size_t>(header.height);
  if (colourBytes > data.size() - header.pixelOffset) return std::nullopt;
  return header;
}

QRgb Pixel(const DibHeader& header, const BYTE* row, int x) {
  switch (header.bitCount) {
    case 1:
    case 4:
    case 8: {
      const int bits = header.bitCount;
      const int perByte = 8 / bits;
      const int shift = 8 - bits * (x % perByte + 1);
      const unsigned index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
      return index < header.palette.size() ? header.palette[index] : qRgb(0, 0, 0);
    }
    case 24:
      return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default:
      return qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
  }
}

// The colour rows of a checked DIB; row r of the image is stored at r (top-down) or height - 1 - r.
QImage DecodeColours(std::span<const BYTE> data, const DibHeader& header, QImage::Format format) {
  QImage image(header.width, header.height, format);
  if (image.isNull()) return {};
  for (int y = 0; y < header.height; ++y) {
    const int stored = header.topDown ? y : header.height - 1 - y;
    const BYTE* row = data.data() + header.pixelOffset + header.stride * static_cast<std::size_t>(stored);
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < header.width; ++x) line[x] = Pixel(header, row, x);
  }
  return image;
}

struct GroupEntry {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  WORD id = 0;
};

// GRPICONDIR: reserved, type 1, count; then 14-byte entries (width, height, colours, reserved, planes,
// bit count, bytes, image id). A width or height byte of 0 means 256.
std::vector<GroupEntry> ReadGroup(HINSTANCE module, const ResId& group) {
  if (!module) return {};
  const auto data = module->Find(RT_GROUP_ICON, group);
  if (!data) return {};
  platform::ResourceReader reader(*data);
  const auto reserved = reader.Word();
  const auto type = reader.Word();
  const auto count = reader.Word();
  if (!count || *reserved != 0 || *type != 1) return {};
  std::vector<GroupEntry> entries;
  for (WORD i = 0; i < *count; ++i) {
    const auto width = reader.Byte();
    const auto height = reader.Byte();
    reader.Skip(2 + 2);  // colours, reserved, planes
    const auto bitCount = reader.Word();
    reader.Skip(4);      // bytes in the image
    const auto id = reader.Word();
    if (!id) return {};
    entries.push_back(GroupEntry{*width ? *width : 256, *height ? *height : 256, *bitCount, *id});
  }
  return entries;
}

QImage LoadIconImage(HINSTANCE module, WORD id) {
  const auto data = module->Find(RT_ICON, id);
  return data ? IconDibToImage(*data) : QImage();
}

}  // namespace

QImage DibToImage(std::span<const BYTE> dib) {
  const auto header = ReadHeader(dib, false);
  if (!header) return {};
  return DecodeColours(dib, *header, QImage::Format_RGB32);
}

QImage IconDibToImage(std::span<const BYTE> data) {
  static constexpr BYTE kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() >= sizeof kPngSignature && std::equal(std::begin(kPngSignature), std::end(kPngSignature), data.begin())) {
    QImage png;
    if (!png.loadFromData(data.data(), static_cast<int>(data.size()), "PNG")) return {};
    return png.convertToFormat(QImage::Format_ARGB32);
  }
  const auto header = ReadHeader(data, true);
  if (!header) return {};
  QImage image = DecodeColours(data, *header, QImage::Format_ARGB32);
  if (image.isNull()) return {};

  bool hasAlpha = false;
  if (header->bitCount == 32) {
    for (int y = 0; y < image.height() && !hasAlpha; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x) hasAlpha = hasAlpha || qAlpha(line[x]) != 0;
    }
  }
  // The mask follows the colour rows; old 32-bit icons may omit it and rely on their alpha.
  const std::size_t maskStride = Stride(header->width, 1);
  const std::size_t maskOffset = header->pixelOffset + header->stride * static_cast<std::size_t>(header->height);
  const bool hasMask = maskStride * static_cast<std::size_t>(header->height) <= data.size() - maskOffset;
  if (!hasMask && !hasAlpha) return {};
  for (int y = 0; y < header->height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const BYTE* mask = hasMask ? data.data() + maskOffset + maskStride * static_cast<std::size_t>(header->height - 1 - y) : nullptr;
    for (int x = 0; x < header->width; ++x) {
      const bool transparent = mask && (mask[x / 8] & (0x80 >> (x % 8)));
      const int alpha = transparent ? 0 : hasAlpha ? qAlpha(line[x]) : 255;
      line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha);
    }
  }
  return image;
}

QImage AfxLoadBitmapImage(HINSTANCE module, const ResId& id) {
  if (!module) return {};
  const auto data = module->Find(RT_BITMAP, id);
  return data ? DibToImage(*data) : QImage();
}

QImage AfxLoadIconImage(HINSTANCE module, const ResId& group, int size) {
  const std::vector<GroupEntry> entries = ReadGroup(module, group);
  const GroupEntry* best = nullptr;
  auto better = [size](const GroupEntry& candidate, const GroupEntry& current) {
    const bool candidateExact = candidate.width == size;
    const bool currentExact = current.width == size;
    if (candidateExact != currentExact) return candidateExact;
    if (candidateExact) return candidate.bitCount > current.bitCount;
    const bool candidateLarger = candidate.width > size;
    const bool currentLarger = current.width > size;
    if (candidateLarger != currentLarger) return candidateLarger;
    return candidateLarger ? candidate.width < current.width : candidate.width > current.width;
  };
  for (const GroupEntry& entry : entries) {
    if (!best || better(entry, *best)) best = &entry;
  }
  return best ? LoadIconImage(module, best->id) : QImage();
}

QIcon AfxLoadIcon(HINSTANCE module, const ResId& group) {
  QIcon icon;
  for (const GroupEntry& entry : ReadGroup(module, group)) {
    const QImage image = LoadIconImage(module, entry.id);
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

std::vector<QImage> SplitToolbarBitmap(const QImage& strip, int width, int height) {
  std::vector<QImage> images;
  if (strip.isNull() || width <= 0 || height <= 0 || height > strip.height()) return images;
  for (int left = 0; left + width <= strip.width(); left += width) images.push_back(strip.copy(left, 0, width, height));
  return images;
}

std::vector<QImage> AfxLoadToolbarImages(HINSTANCE module, const ResId& id) {
  if (!module) return {};
  const auto data = module->Find(RT_TOOLBAR, id);
  const auto toolbar = data ? platform::ParseToolBarResource(*data) : std::nullopt;
  if (!toolbar) return {};
  const std::size_t buttons = static_cast<std::size_t>(std::count_if(toolbar->ids.begin(), toolbar->ids.end(), [](WORD command) { return command != 0; }));
  std::vector<QImage> images = SplitToolbarBitmap(AfxLoadBitmapImage(module, id), toolbar->width, toolbar->height);
  if (images.size() < buttons) return {};
  images.resize(buttons);
  return images;
}
