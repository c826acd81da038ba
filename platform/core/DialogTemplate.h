// Dialog templates in the standard binary layout (DLGTEMPLATE with DLGITEMTEMPLATE items), parsed into
// values. The parser checks every field against the data it was given: a truncated template, or one whose
// counts or lengths point past its end, gives an error, never a read outside the data.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/core/ResourceBytes.h"
#include "platform/core/WinTypes.h"

namespace platform {

struct DialogItemTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0;
  short y = 0;
  short cx = 0;
  short cy = 0;
  WORD id = 0;                  // 16 bits as stored: the shared static id -1 is 0xFFFF
  NameOrOrdinal windowClass;    // an ordinal of a predefined class (0x0080 button ...) or a class name
  NameOrOrdinal title;          // text, or an ordinal (the icon or bitmap of a static)
  std::vector<BYTE> creationData;
  std::size_t offset = 0;       // where the item starts in the template (a multiple of 4)

  int SignedId() const { return static_cast<short>(id); }
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0;
  short y = 0;
  short cx = 0;
  short cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::u16string title;
  WORD pointSize = 0;           // with DS_SETFONT only
  std::u16string faceName;      // with DS_SETFONT only
  std::vector<DialogItemTemplate> items;

  // The first item with this id, or nullptr.
  const DialogItemTemplate* FindItem(int id) const;
};

// Parses a DLGTEMPLATE; nothing (and the reason in *error) when the data is not a complete, consistent
// template. Extended templates (DLGTEMPLATEEX) are rejected: the program's templates are all standard ones.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const BYTE> data, std::string* error = nullptr);

}  // namespace platform
