// Parser of standard dialog templates.
#include "platform/core/DialogTemplate.h"

#include <algorithm>

#include "platform/core/WinStyles.h"

namespace platform {

namespace {

std::nullopt_t Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return std::nullopt;
}

// Header: style, extended style, item count, x, y, cx, cy; then menu, class and title; then the point
// size and face name when the style has DS_SETFONT.
bool ReadHeader(ResourceReader& reader, DialogTemplate& dialog, WORD& count, std::string& problem) {
  const auto style = reader.Dword();
  const auto exStyle = reader.Dword();
  const auto items = reader.Word();
  const auto x = reader.Short();
  const auto y = reader.Short();
  const auto cx = reader.Short();
  const auto cy = reader.Short();
  if (!reader.Ok()) {
    problem = "template header truncated";
    return false;
  }
  if (*style == 0xFFFF0001u) {
    problem = "extended dialog templates are not supported";
    return false;
  }
  dialog.style = *style;
  dialog.exStyle = *exStyle;
  count = *items;
  dialog.x = *x;
  dialog.y = *y;
  dialog.cx = *cx;
  dialog.cy = *cy;
  const auto menu = reader.NameOrOrdinalField();
  const auto windowClass = menu ? reader.NameOrOrdinalField() : std::nullopt;
  const auto title = windowClass ? reader.NameOrOrdinalField() : std::nullopt;
  if (!title) {
    problem = "menu, class or title field runs past the end";
    return false;
  }
  if (title->isOrdinal) {
    problem = "dialog title given as an ordinal";
    return false;
  }
  dialog.menu = *menu;
  dialog.windowClass = *windowClass;
  dialog.title = title->name;
  if (dialog.style & DS_SETFONT) {
    const auto pointSize = reader.Word();
    const auto faceName = pointSize ? reader.String() : std::nullopt;
    if (!faceName) {
      problem = "font fields run past the end";
      return false;
    }
    dialog.pointSize = *pointSize;
    dialog.faceName = *faceName;
  }
  return true;
}

// Item: (DWORD aligned) style, extended style, x, y, cx, cy, id; class; title; creation-data size n, which
// counts the size word itself (so n - 2 bytes of data follow it; 0 means none).
bool ReadItem(ResourceReader& reader, DialogItemTemplate& item, std::string& problem) {
  if (!reader.AlignDword()) {
    problem = "padding before the item runs past the end";
    return false;
  }
  item.offset = reader.Position();
  const auto style = reader.Dword();
  const auto exStyle = reader.Dword();
  const auto x = reader.Short();
  const auto y = reader.Short();
  const auto cx = reader.Short();
  const auto cy = reader.Short();
  const auto id = reader.Word();
  if (!reader.Ok()) {
    problem = "item truncated";
    return false;
  }
  item.style = *style;
  item.exStyle = *exStyle;
  item.x = *x;
  item.y = *y;
  item.cx = *cx;
  item.cy = *cy;
  item.id = *id;
  const auto windowClass = reader.NameOrOrdinalField();
  const auto title = windowClass ? reader.NameOrOrdinalField() : std::nullopt;
  if (!title) {
    problem = "class or title runs past the end";
    return false;
  }
  item.windowClass = *windowClass;
  item.title = *title;
  const auto size = reader.Word();
  const std::size_t dataLength = size && *size > 2 ? *size - 2u : 0u;
  const auto creationData = size ? reader.Bytes(dataLength) : std::nullopt;
  if (!creationData) {
    problem = "creation data runs past the end";
    return false;
  }
  item.creationData.assign(creationData->begin(), creationData->end());
  return true;
}

}  // namespace

const DialogItemTemplate* DialogTemplate::FindItem(int id) const {
  for (const DialogItemTemplate& item : items) {
    if (item.id == static_cast<WORD>(id)) return &item;
  }
  return nullptr;
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const BYTE> data, std::string* error) {
  ResourceReader reader(data);
  DialogTemplate dialog;
  WORD count = 0;
  std::string problem;
  if (!ReadHeader(reader, dialog, count, problem)) return Fail(error, "dialog template: " + problem);
  // An item takes at least 22 bytes, so a lying count cannot make us reserve more than the data holds.
  dialog.items.reserve(std::min<std::size_t>(count, reader.Remaining() / 22));
  for (WORD index = 0; index < count; ++index) {
    if (!ReadItem(reader, dialog.items.emplace_back(), problem)) {
      return Fail(error, "dialog template item " + std::to_string(index) + " of " + std::to_string(count) + ": " +
                             problem);
    }
  }
  return dialog;
}

}  // namespace platform
