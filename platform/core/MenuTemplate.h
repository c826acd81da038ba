// Menu templates in the standard binary layout (MENUITEMTEMPLATEHEADER, then items), parsed into a tree.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/core/WinTypes.h"

namespace platform {

// Item option bits as menu templates carry them.
inline constexpr WORD MF_GRAYED = 0x0001;
inline constexpr WORD MF_DISABLED = 0x0002;
inline constexpr WORD MF_CHECKED = 0x0008;
inline constexpr WORD MF_POPUP = 0x0010;
inline constexpr WORD MF_MENUBARBREAK = 0x0020;
inline constexpr WORD MF_MENUBREAK = 0x0040;
inline constexpr WORD MF_END = 0x0080;
inline constexpr WORD MF_SEPARATOR = 0x0800;
inline constexpr WORD MF_HELP = 0x4000;

struct MenuItemTemplate {
  WORD flags = 0;    // the option bits without MF_END
  WORD id = 0;       // command id; 0 for pop-ups and separators
  std::u16string text;
  std::vector<MenuItemTemplate> children;  // pop-ups only

  bool IsPopup() const { return (flags & MF_POPUP) != 0; }
  // A separator is written as a command item with id 0 and no text (or with MF_SEPARATOR).
  bool IsSeparator() const { return !IsPopup() && ((flags & MF_SEPARATOR) || (id == 0 && text.empty())); }
  bool IsEnabled() const { return (flags & (MF_GRAYED | MF_DISABLED)) == 0; }
};

struct MenuTemplate {
  std::vector<MenuItemTemplate> items;  // the top level

  // The first command item with this id anywhere in the tree, or nullptr.
  const MenuItemTemplate* FindCommand(WORD id) const;
};

// Parses a standard (version 0) menu template; nothing, and the reason in *error, when the data is
// truncated, has no items, a level lacks its MF_END item, or the nesting is deeper than any menu needs
// (16 levels).
std::optional<MenuTemplate> ParseMenuTemplate(std::span<const BYTE> data, std::string* error = nullptr);

}  // namespace platform
