// Crafted resources: dialog templates in the standard binary layout (DLGTEMPLATE with DWORD-aligned items),
// 32-bit .res images built entry by entry, and scopes that make such an image the framework's resource module.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/core/Resource.h"
#include "platform/core/ResourceWriter.h"
#include "platform/core/WinTypes.h"

namespace tvqtest {

using Field = std::variant<WORD, std::u16string>;  // an ordinal or a string

struct DialogItem {
  DWORD style;
  short x, y, cx, cy;
  WORD id;
  Field windowClass;
  Field title;
  DWORD exStyle = 0;
  std::vector<BYTE> creationData = {};  // written after a size word that counts itself
};

// At 0, 0; no menu, the standard class.
struct Dialog {
  DWORD style;
  short cx, cy;
  std::u16string title;
  std::vector<DialogItem> items;
  WORD pointSize = 9;                     // with DS_SETFONT
  std::u16string face = u"MS UI Gothic";  // with DS_SETFONT
};

std::vector<BYTE> DialogBytes(const Dialog& dialog);

// A .res image built entry by entry (the standard 32-bit layout with its leading null entry).
class ResImageBuilder {
 public:
  ResImageBuilder();
  void Add(const ResId& type, const ResId& name, const std::vector<BYTE>& data, WORD language = 0x0411);
  // Every entry of `module` except those for which `skip` is true.
  void AddAllOf(HINSTANCE module, const std::function<bool(const CResourceModule::Entry&)>& skip = {});
  const std::vector<BYTE>& Bytes() const { return m_out.Data(); }

 private:
  platform::ResourceWriter m_out;
};

// Makes `module` the framework's resource module for the life of the object.
class ScopedResourceHandle {
 public:
  explicit ScopedResourceHandle(HINSTANCE module);
  ~ScopedResourceHandle();
  ScopedResourceHandle(const ScopedResourceHandle&) = delete;
  ScopedResourceHandle& operator=(const ScopedResourceHandle&) = delete;

 private:
  HINSTANCE m_previous;
};

// Installs a module of crafted dialogs (by template id) and puts the previous module back at the end of the
// scope.
class ScopedDialogs {
 public:
  explicit ScopedDialogs(const std::vector<std::pair<WORD, Dialog>>& dialogs);
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;

 private:
  std::vector<BYTE> m_image;
  std::unique_ptr<CResourceModule> m_module;
  std::unique_ptr<ScopedResourceHandle> m_scope;
};

}  // namespace tvqtest
