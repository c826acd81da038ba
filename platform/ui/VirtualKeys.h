// The one table between Windows virtual-key codes and Qt keys: accelerator tables name virtual keys (the frame
// turns them into Qt shortcuts), and the list control reports Qt key presses to its owner as virtual keys.
#pragma once

#include <Qt>

#include <array>

#include "platform/core/WinTypes.h"

namespace platform {

struct NamedVirtualKey {
  WORD vk;
  Qt::Key key;
};

// Keys without a run of codes of their own; letters, digits and F1..F24 are runs (same order on both sides).
inline constexpr std::array<NamedVirtualKey, 18> kNamedVirtualKeys = {{
    {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab},     {VK_RETURN, Qt::Key_Return}, {0x10, Qt::Key_Shift},
    {0x11, Qt::Key_Control},   {0x12, Qt::Key_Alt},     {VK_ESCAPE, Qt::Key_Escape}, {0x20, Qt::Key_Space},
    {0x21, Qt::Key_PageUp},    {0x22, Qt::Key_PageDown}, {0x23, Qt::Key_End},        {0x24, Qt::Key_Home},
    {0x25, Qt::Key_Left},      {VK_UP, Qt::Key_Up},     {0x27, Qt::Key_Right},       {VK_DOWN, Qt::Key_Down},
    {0x2D, Qt::Key_Insert},    {VK_DELETE, Qt::Key_Delete},
}};

// The Qt key of a virtual key; 0 for a key the table cannot name.
int QtKeyForVirtualKey(WORD vk);
// The virtual key of a Qt key (the keypad's Enter is VK_RETURN too); 0 when the key has none.
WORD VirtualKeyFromQtKey(int key);

}  // namespace platform
