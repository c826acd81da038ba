// Bounds-checked little-endian reading of resource data. Every read past the end fails and marks the
// reader as failed instead of touching memory outside the span, so a truncated or lying resource can only
// produce an error. Reads are byte-wise, so unaligned data is fine.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "platform/core/WinTypes.h"

namespace platform {

// A field of a resource header or template that is either an ordinal (written 0xFFFF, ordinal) or a
// zero-terminated UTF-16 string. An empty string is the "none" of menu, class and title fields.
struct NameOrOrdinal {
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::u16string name;

  bool IsEmpty() const { return !isOrdinal && name.empty(); }
  friend bool operator==(const NameOrOrdinal&, const NameOrOrdinal&) = default;
};

class ResourceReader {
 public:
  explicit ResourceReader(std::span<const BYTE> data, std::size_t position = 0)
      : m_data(data), m_pos(position), m_ok(position <= data.size()) {}

  bool Ok() const { return m_ok; }
  std::size_t Position() const { return m_pos; }
  std::size_t Remaining() const { return m_ok ? m_data.size() - m_pos : 0; }
  std::span<const BYTE> Data() const { return m_data; }

  std::optional<BYTE> Byte() {
    if (!Need(1)) return std::nullopt;
    return m_data[m_pos++];
  }
  std::optional<WORD> Word() {
    if (!Need(2)) return std::nullopt;
    const WORD value = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return value;
  }
  std::optional<DWORD> Dword() {
    if (!Need(4)) return std::nullopt;
    const DWORD value = static_cast<DWORD>(m_data[m_pos]) | (static_cast<DWORD>(m_data[m_pos + 1]) << 8) |
                        (static_cast<DWORD>(m_data[m_pos + 2]) << 16) |
                        (static_cast<DWORD>(m_data[m_pos + 3]) << 24);
    m_pos += 4;
    return value;
  }
  std::optional<short> Short() {
    const auto word = Word();
    if (!word) return std::nullopt;
    return static_cast<short>(*word);
  }
  // A zero-terminated UTF-16 string; the terminator is consumed but not returned.
  std::optional<std::u16string> String() {
    std::u16string text;
    for (;;) {
      const auto unit = Word();
      if (!unit) return std::nullopt;
      if (*unit == 0) return text;
      text.push_back(static_cast<char16_t>(*unit));
    }
  }
  std::optional<NameOrOrdinal> NameOrOrdinalField() {
    const auto first = Word();
    if (!first) return std::nullopt;
    if (*first == 0xFFFF) {
      const auto ordinal = Word();
      if (!ordinal) return std::nullopt;
      return NameOrOrdinal{true, *ordinal, {}};
    }
    NameOrOrdinal field;
    if (*first == 0) return field;
    const auto rest = String();
    if (!rest) return std::nullopt;
    field.name = static_cast<char16_t>(*first) + *rest;
    return field;
  }
  std::optional<std::span<const BYTE>> Bytes(std::size_t count) {
    if (!Need(count)) return std::nullopt;
    const auto bytes = m_data.subspan(m_pos, count);
    m_pos += count;
    return bytes;
  }
  bool Skip(std::size_t count) { return Bytes(count).has_value(); }
  // Moves to the next multiple of 4 counted from the start of the span; failing when that is past the end.
  bool AlignDword() { return Skip((4 - m_pos % 4) % 4); }
  bool Seek(std::size_t position) {
    if (!m_ok || position > m_data.size()) return Fail();
    m_pos = position;
    return true;
  }

 private:
  bool Need(std::size_t count) {
    if (!m_ok || count > m_data.size() - m_pos) return Fail();
    return true;
  }
  bool Fail() {
    m_ok = false;
    return false;
  }

  std::span<const BYTE> m_data;
  std::size_t m_pos;
  bool m_ok;
};

}  // namespace platform
