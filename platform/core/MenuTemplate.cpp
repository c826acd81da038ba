// Parser of standard menu templates.
#include "platform/core/MenuTemplate.h"

#include "platform/core/ResourceBytes.h"

namespace platform {

namespace {

constexpr int kMaxDepth = 16;

// Reads the items of one level up to and including the one flagged MF_END.
bool ReadLevel(ResourceReader& reader, int depth, std::vector<MenuItemTemplate>& items, std::string& problem) {
  if (depth > kMaxDepth) {
    problem = "pop-ups nested too deeply";
    return false;
  }
  for (;;) {
    const std::size_t at = reader.Position();
    const auto option = reader.Word();
    if (!option) {
      problem = "item at byte " + std::to_string(at) + " truncated (level without an end item?)";
      return false;
    }
    MenuItemTemplate& item = items.emplace_back();
    item.flags = static_cast<WORD>(*option & ~MF_END);
    if (!item.IsPopup()) {
      const auto id = reader.Word();
      if (!id) {
        problem = "item at byte " + std::to_string(at) + " truncated";
        return false;
      }
      item.id = *id;
    }
    const auto text = reader.String();
    if (!text) {
      problem = "text of the item at byte " + std::to_string(at) + " runs past the end";
      return false;
    }
    item.text = *text;
    if (item.IsPopup() && !ReadLevel(reader, depth + 1, item.children, problem)) return false;
    if (*option & MF_END) return true;
  }
}

const MenuItemTemplate* FindIn(const std::vector<MenuItemTemplate>& items, WORD id) {
  for (const MenuItemTemplate& item : items) {
    if (item.IsPopup()) {
      if (const MenuItemTemplate* found = FindIn(item.children, id)) return found;
    } else if (!item.IsSeparator() && item.id == id) {
      return &item;
    }
  }
  return nullptr;
}

}  // namespace

const MenuItemTemplate* MenuTemplate::FindCommand(WORD id) const { return FindIn(items, id); }

std::optional<MenuTemplate> ParseMenuTemplate(std::span<const BYTE> data, std::string* error) {
  auto fail = [error](std::string message) -> std::optional<MenuTemplate> {
    if (error) *error = "menu template: " + std::move(message);
    return std::nullopt;
  };
  ResourceReader reader(data);
  const auto version = reader.Word();
  const auto headerSize = reader.Word();
  if (!version || !headerSize) return fail("header truncated");
  if (*version != 0) return fail("unsupported template version " + std::to_string(*version));
  if (!reader.Skip(*headerSize)) return fail("header size points past the end");
  MenuTemplate menu;
  std::string problem;
  if (!ReadLevel(reader, 0, menu.items, problem)) return fail(problem);
  return menu;
}

}  // namespace platform
