#include "tests/ui/TemplateImage.h"

#include "platform/core/Resource.h"
#include "platform/core/WinStyles.h"

namespace testres {
namespace {

void Word(std::vector<BYTE>& out, unsigned value) {
  out.push_back(static_cast<BYTE>(value & 0xFF));
  out.push_back(static_cast<BYTE>((value >> 8) & 0xFF));
}
void Dword(std::vector<BYTE>& out, DWORD value) {
  Word(out, value & 0xFFFF);
  Word(out, value >> 16);
}
void String(std::vector<BYTE>& out, const std::u16string& text) {
  for (char16_t unit : text) Word(out, unit);
  Word(out, 0);
}
void FieldOut(std::vector<BYTE>& out, const Field& field) {
  if (const WORD* ordinal = std::get_if<WORD>(&field)) {
    Word(out, 0xFFFF);
    Word(out, *ordinal);
  } else {
    String(out, std::get<std::u16string>(field));
  }
}
void Align(std::vector<BYTE>& out) {
  while (out.size() % 4) out.push_back(0);
}

}  // namespace

std::vector<BYTE> DialogBytes(const Dialog& dialog) {
  std::vector<BYTE> out;
  Dword(out, dialog.style);
  Dword(out, 0);
  Word(out, static_cast<unsigned>(dialog.items.size()));
  Word(out, 0);
  Word(out, 0);
  Word(out, static_cast<WORD>(dialog.cx));
  Word(out, static_cast<WORD>(dialog.cy));
  Word(out, 0);  // no menu
  Word(out, 0);  // default class
  String(out, dialog.title);
  if (dialog.style & DS_SETFONT) {
    Word(out, dialog.pointSize);
    String(out, dialog.face);
  }
  for (const Item& item : dialog.items) {
    Align(out);
    Dword(out, item.style);
    Dword(out, item.exStyle);
    Word(out, static_cast<WORD>(item.x));
    Word(out, static_cast<WORD>(item.y));
    Word(out, static_cast<WORD>(item.cx));
    Word(out, static_cast<WORD>(item.cy));
    Word(out, item.id);
    FieldOut(out, item.windowClass);
    FieldOut(out, item.title);
    Word(out, 0);  // no creation data
  }
  return out;
}

std::vector<BYTE> ResImage(const std::vector<std::pair<WORD, std::vector<BYTE>>>& dialogs) {
  std::vector<BYTE> out;
  auto entry = [&out](WORD type, WORD name, const std::vector<BYTE>& data) {
    Dword(out, static_cast<DWORD>(data.size()));
    Dword(out, 32);
    Word(out, 0xFFFF);
    Word(out, type);
    Word(out, 0xFFFF);
    Word(out, name);
    Dword(out, 0);       // data version
    Word(out, 0x1030);   // memory flags
    Word(out, 0x0411);   // language
    Dword(out, 0);       // version
    Dword(out, 0);       // characteristics
    out.insert(out.end(), data.begin(), data.end());
    Align(out);
  };
  entry(0, 0, {});
  for (const auto& [id, bytes] : dialogs) entry(RT_DIALOG, id, bytes);
  return out;
}

ScopedDialogs::ScopedDialogs(const std::vector<std::pair<WORD, Dialog>>& dialogs)
    : m_previous(AfxGetResourceHandle()) {
  std::vector<std::pair<WORD, std::vector<BYTE>>> images;
  for (const auto& [id, dialog] : dialogs) images.emplace_back(id, DialogBytes(dialog));
  m_image = ResImage(images);
  m_module = std::make_unique<CResourceModule>(m_image);
  AfxSetResourceHandle(m_module.get());
}

ScopedDialogs::~ScopedDialogs() { AfxSetResourceHandle(m_previous); }

}  // namespace testres
