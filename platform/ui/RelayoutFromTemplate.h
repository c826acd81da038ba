// Puts every control of a dialog back where the dialog template places it, for the dialog's current font.
#pragma once

#include "platform/core/Resource.h"
#include "platform/core/WinTypes.h"

class CWnd;

// Reads template `templateId` (RT_DIALOG) of `resourceModule` and moves each control with an item's id to the
// item's rectangle in pixels (MapDialogRect of `dialogWindow`), keeping the z-order; then refreshes what the
// move may have spoilt: the text of buttons and statics, the icon or bitmap of image statics (loaded again
// from `resourceModule`). TRUE when every control was found, mapped and moved and at most one item has the
// shared id 0xFFFF. FALSE, with nothing moved, when the template is missing or cannot be read; an item whose
// control is missing makes it FALSE too, and the other items are still moved.
BOOL RelayoutFromTemplate(HINSTANCE resourceModule, CWnd* dialogWindow, UINT templateId);
