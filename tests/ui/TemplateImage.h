// Crafted dialog templates in the standard binary layout, wrapped in a .res image that the tests install as
// the framework's resource module for the length of a scope.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/core/Resource.h"
#include "platform/core/WinTypes.h"

namespace testres {

using Field = std::variant<WORD, std::u16string>;  // an ordinal or a string

struct Item {
  DWORD style;
  short x, y, cx, cy;
  WORD id;
  Field windowClass;
  Field title;
  DWORD exStyle = 0;
};

struct Dialog {
  DWORD style;
  short cx, cy;
  std::u16string title;
  std::vector<Item> items;
  WORD pointSize = 9;                     // with DS_SETFONT
  std::u16string face = u"MS UI Gothic";  // with DS_SETFONT
};

std::vector<BYTE> DialogBytes(const Dialog& dialog);

// A .res image holding dialogs by id.
std::vector<BYTE> ResImage(const std::vector<std::pair<WORD, std::vector<BYTE>>>& dialogs);

// Installs a module of crafted dialogs and puts the previous module back at the end of the scope.
class ScopedDialogs {
 public:
  explicit ScopedDialogs(const std::vector<std::pair<WORD, Dialog>>& dialogs);
  ~ScopedDialogs();
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;

 private:
  std::vector<BYTE> m_image;
  std::unique_ptr<CResourceModule> m_module;
  HINSTANCE m_previous;
};

}  // namespace testres
