// The resource module: entries of a 32-bit .res image, found by type and name.
#include "platform/core/Resource.h"

#include <atomic>
#include <stdexcept>

#include "platform/core/ResourceBytes.h"

namespace {

char16_t AsciiUpper(char16_t unit) { return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - 32) : unit; }

bool SameNameIgnoringAsciiCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

[[noreturn]] void Malformed(std::size_t offset, const char* what) {
  throw std::runtime_error("malformed resource image at byte " + std::to_string(offset) + ": " + what);
}

ResId ToResId(const platform::NameOrOrdinal& field) {
  if (field.isOrdinal) return ResId(field.ordinal);
  return ResId(field.name.c_str());
}

std::atomic<HINSTANCE> g_resourceModule{nullptr};

}  // namespace

bool ResId::operator==(const ResId& other) const {
  if (IsOrdinal() != other.IsOrdinal()) return false;
  if (IsOrdinal()) return m_ordinal == other.m_ordinal;
  return SameNameIgnoringAsciiCase(m_name, other.m_name);
}

// Each entry: DataSize, HeaderSize, type and name (each 0xFFFF + ordinal or a UTF-16 string), padding to a
// DWORD, DataVersion, MemoryFlags, LanguageId, Version, Characteristics; then the data, padded to a DWORD.
// The leading null entry (type 0) that marks a 32-bit image is skipped.
CResourceModule::CResourceModule(std::span<const BYTE> resImage) {
  std::size_t offset = 0;
  while (offset < resImage.size()) {
    platform::ResourceReader reader(resImage, offset);
    const auto dataSize = reader.Dword();
    const auto headerSize = reader.Dword();
    if (!dataSize || !headerSize) Malformed(offset, "truncated resource header");
    if (*headerSize < 32 || *headerSize > resImage.size() - offset) Malformed(offset, "bad header size");
    const std::size_t headerEnd = offset + *headerSize;
    // The header's own fields must not run past HeaderSize.
    platform::ResourceReader header(resImage.first(headerEnd), offset + 8);
    const auto type = header.NameOrOrdinalField();
    const auto name = type ? header.NameOrOrdinalField() : std::nullopt;
    if (!type || !name || !header.AlignDword()) Malformed(offset, "type or name runs past the header");
    header.Skip(4 + 2);  // DataVersion, MemoryFlags
    const auto language = header.Word();
    if (!language || !header.Skip(4 + 4)) Malformed(offset, "header too short for its fields");
    if (*dataSize > resImage.size() - headerEnd) Malformed(offset, "data runs past the end of the image");

    const bool nullEntry = type->isOrdinal && type->ordinal == 0;
    if (!nullEntry) {
      m_entries.push_back(Entry{ToResId(*type), ToResId(*name), *language, resImage.subspan(headerEnd, *dataSize)});
    }
    const std::size_t next = headerEnd + *dataSize;
    offset = next + (4 - next % 4) % 4;
  }
}

std::optional<std::span<const BYTE>> CResourceModule::Find(const ResId& type, const ResId& name) const {
  for (const Entry& entry : m_entries) {
    if (entry.type == type && entry.name == name) return entry.data;
  }
  return std::nullopt;
}

// Strings live in blocks of 16 (block id = id / 16 + 1), each a length word and that many UTF-16 units.
BOOL CResourceModule::LoadString(UINT id, CString& text) const {
  text.Empty();
  if (id > 0xFFFF) return FALSE;
  const auto block = Find(ResId(RT_STRING), ResId(static_cast<WORD>(id / 16 + 1)));
  if (!block) return FALSE;
  platform::ResourceReader reader(*block);
  for (UINT index = 0; index < id % 16; ++index) {
    const auto length = reader.Word();
    if (!length || !reader.Skip(std::size_t{*length} * 2)) return FALSE;
  }
  const auto length = reader.Word();
  if (!length || *length == 0) return FALSE;
  const auto units = reader.Bytes(std::size_t{*length} * 2);
  if (!units) return FALSE;
  std::u16string value(*length, u'\0');
  for (std::size_t i = 0; i < value.size(); ++i) {
    value[i] = static_cast<char16_t>((*units)[2 * i] | ((*units)[2 * i + 1] << 8));
  }
  text = CString(std::move(value));
  return TRUE;
}

HINSTANCE AfxGetResourceHandle() { return g_resourceModule.load(); }

void AfxSetResourceHandle(HINSTANCE module) { g_resourceModule.store(module); }

std::optional<std::span<const BYTE>> AfxFindResource(const ResId& type, const ResId& name) {
  const HINSTANCE module = AfxGetResourceHandle();
  if (!module) return std::nullopt;
  return module->Find(type, name);
}

CString AfxLoadString(UINT id) {
  CString text;
  if (const HINSTANCE module = AfxGetResourceHandle()) module->LoadString(id, text);
  return text;
}
