// Letters, digits and F1-F24 by arithmetic, the other keys through the named table both ways.
#include "platform/ui/VirtualKeys.h"

namespace platform {
namespace {

constexpr WORD kVirtualF1 = 0x70;
constexpr int kFunctionKeys = 24;

}  // namespace

int QtKeyForVirtualKey(WORD vk) {
  if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
  if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
  if (vk >= kVirtualF1 && vk < kVirtualF1 + kFunctionKeys) return Qt::Key_F1 + (vk - kVirtualF1);
  for (const NamedVirtualKey& named : kNamedVirtualKeys) {
    if (named.vk == vk) return named.key;
  }
  return 0;
}

WORD VirtualKeyFromQtKey(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
    return static_cast<WORD>(key);  // the same codes as ASCII upper case and digits
  }
  if (key >= Qt::Key_F1 && key < Qt::Key_F1 + kFunctionKeys) return static_cast<WORD>(kVirtualF1 + (key - Qt::Key_F1));
  if (key == Qt::Key_Enter) return VK_RETURN;
  for (const NamedVirtualKey& named : kNamedVirtualKeys) {
    if (named.key == key) return named.vk;
  }
  return 0;
}

}  // namespace platform
