// Little-endian writing of resource data, the counterpart of ResourceReader: for what builds resources (the
// image tool, tests that craft templates and .res images). Standard library only.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "platform/core/ResourceBytes.h"
#include "platform/core/WinTypes.h"

namespace platform {

class ResourceWriter {
 public:
  ResourceWriter& Byte(BYTE value) {
    m_data.push_back(value);
    return *this;
  }
  ResourceWriter& Word(WORD value) {
    Byte(static_cast<BYTE>(value & 0xFF));
    return Byte(static_cast<BYTE>(value >> 8));
  }
  ResourceWriter& Dword(DWORD value) {
    Word(static_cast<WORD>(value & 0xFFFF));
    return Word(static_cast<WORD>(value >> 16));
  }
  // The UTF-16 units, then a zero unit unless `terminate` is false.
  ResourceWriter& String(std::u16string_view text, bool terminate = true) {
    for (const char16_t unit : text) Word(unit);
    return terminate ? Word(0) : *this;
  }
  // 0xFFFF and the ordinal, or the name as a terminated string (an empty name is the single zero word).
  ResourceWriter& Field(const NameOrOrdinal& field) {
    if (field.isOrdinal) return Word(0xFFFF).Word(field.ordinal);
    return String(field.name);
  }
  ResourceWriter& Append(std::span<const BYTE> bytes) {
    m_data.insert(m_data.end(), bytes.begin(), bytes.end());
    return *this;
  }
  // Zero bytes up to the next multiple of 4.
  ResourceWriter& AlignDword() {
    while (m_data.size() % 4 != 0) m_data.push_back(0);
    return *this;
  }

  std::size_t Size() const { return m_data.size(); }
  const std::vector<BYTE>& Data() const { return m_data; }

 private:
  std::vector<BYTE> m_data;
};

}  // namespace platform
