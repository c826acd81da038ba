#include "tests/support/Resources.h"

#include "platform/core/WinStyles.h"

namespace tvqtest {
namespace {

platform::NameOrOrdinal AsField(const Field& field) {
  if (const WORD* ordinal = std::get_if<WORD>(&field)) return {true, *ordinal, {}};
  return {false, 0, std::get<std::u16string>(field)};
}

platform::NameOrOrdinal AsField(const ResId& id) {
  if (id.IsOrdinal()) return {true, id.Ordinal(), {}};
  return {false, 0, id.Name()};
}

}  // namespace

std::vector<BYTE> DialogBytes(const Dialog& dialog) {
  platform::ResourceWriter out;
  out.Dword(dialog.style).Dword(0);
  out.Word(static_cast<WORD>(dialog.items.size()));
  out.Word(0).Word(0).Word(static_cast<WORD>(dialog.cx)).Word(static_cast<WORD>(dialog.cy));
  out.Word(0);  // no menu
  out.Word(0);  // standard class
  out.String(dialog.title);
  if (dialog.style & DS_SETFONT) out.Word(dialog.pointSize).String(dialog.face);
  for (const DialogItem& item : dialog.items) {
    out.AlignDword();
    out.Dword(item.style).Dword(item.exStyle);
    for (const short value : {item.x, item.y, item.cx, item.cy}) out.Word(static_cast<WORD>(value));
    out.Word(item.id);
    out.Field(AsField(item.windowClass)).Field(AsField(item.title));
    if (item.creationData.empty()) {
      out.Word(0);
    } else {
      out.Word(static_cast<WORD>(item.creationData.size() + 2));
      for (const BYTE byte : item.creationData) out.Byte(byte);
    }
  }
  return out.Data();
}

ResImageBuilder::ResImageBuilder() {
  // The leading null entry of a 32-bit .res image.
  m_out.Dword(0).Dword(32);
  m_out.Field(AsField(ResId(0))).Field(AsField(ResId(0)));
  m_out.Dword(0).Word(0).Word(0).Dword(0).Dword(0);
}

void ResImageBuilder::Add(const ResId& type, const ResId& name, const std::vector<BYTE>& data, WORD language) {
  platform::ResourceWriter names;
  names.Field(AsField(type)).Field(AsField(name)).AlignDword();
  m_out.Dword(static_cast<DWORD>(data.size()));
  m_out.Dword(static_cast<DWORD>(8 + names.Size() + 16));
  m_out.Append(names.Data());
  m_out.Dword(0);       // data version
  m_out.Word(0x1030);   // memory flags
  m_out.Word(language);
  m_out.Dword(0);       // version
  m_out.Dword(0);       // characteristics
  m_out.Append(data).AlignDword();
}

void ResImageBuilder::AddAllOf(HINSTANCE module, const std::function<bool(const CResourceModule::Entry&)>& skip) {
  for (const CResourceModule::Entry& entry : module->Entries()) {
    if (skip && skip(entry)) continue;
    Add(entry.type, entry.name, std::vector<BYTE>(entry.data.begin(), entry.data.end()), entry.language);
  }
}

ScopedResourceHandle::ScopedResourceHandle(HINSTANCE module) : m_previous(AfxGetResourceHandle()) {
  AfxSetResourceHandle(module);
}

ScopedResourceHandle::~ScopedResourceHandle() { AfxSetResourceHandle(m_previous); }

ScopedDialogs::ScopedDialogs(const std::vector<std::pair<WORD, Dialog>>& dialogs) {
  ResImageBuilder image;
  for (const auto& [id, dialog] : dialogs) image.Add(ResId(RT_DIALOG), ResId(id), DialogBytes(dialog));
  m_image = image.Bytes();
  m_module = std::make_unique<CResourceModule>(m_image);
  m_scope = std::make_unique<ScopedResourceHandle>(m_module.get());
}

}  // namespace tvqtest
