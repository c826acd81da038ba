// UTF-8 and UTF-16 a code point at a time, for the string class and for the readers and writers of text
// files and terminals. Standard library only and inline: the loops that call these are the hot ones of a
// command-line tool that lists a long document.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

constexpr bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// Code points that a terminal or a bidirectional display acts on without showing anything: C1 controls (U+0080
// to U+009F; U+009B starts an escape sequence on its own), the bidirectional embeddings, overrides, isolates and
// marks (U+202A-202E, U+2066-2069, U+200E, U+200F, U+061C) and the line and paragraph separators (U+2028,
// U+2029). Text meant for a person shows them as escapes.
constexpr bool IsHiddenControl(char32_t codePoint) {
  if (codePoint < 0x80 || codePoint > 0x2069) return false;
  return codePoint <= 0x9F || codePoint == 0x061C || codePoint == 0x200E || codePoint == 0x200F ||
         (codePoint >= 0x2028 && codePoint <= 0x202E) || (codePoint >= 0x2066 && codePoint <= 0x2069);
}

// The code point at text[i]: a surrogate pair is joined and i left on its low half; a lone surrogate (which
// UTF-8 cannot carry) reads as U+FFFD.
inline char32_t NextCodePoint(std::u16string_view text, std::size_t& i) {
  const char32_t unit = text[i];
  if (!IsSurrogate(unit)) return unit;
  if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
    ++i;
    return 0x10000 + ((unit - 0xD800) << 10) + (text[i] - 0xDC00);
  }
  return kReplacementCharacter;
}

inline void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// Sized first and written in place: a listing writes every cell of a long list through here.
inline void AppendUtf8(std::string& out, std::u32string_view text) {
  std::size_t bytes = 0;
  for (const char32_t codePoint : text) {
    bytes += codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
  }
  const std::size_t start = out.size();
  out.resize(start + bytes);
  char* p = out.data() + start;
  for (const char32_t codePoint : text) {
    if (codePoint < 0x80) {
      *p++ = static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
      *p++ = static_cast<char>(0xC0 | (codePoint >> 6));
      *p++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (codePoint >> 12));
      *p++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (codePoint >> 18));
      *p++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    }
  }
}

// Lone surrogates become U+FFFD.
inline void AppendUtf8(std::string& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) AppendUtf8(out, NextCodePoint(text, i));
}

inline void AppendUtf16(std::u16string& out, char32_t codePoint) {
  if (codePoint < 0x10000) {
    out.push_back(static_cast<char16_t>(codePoint));
    return;
  }
  codePoint -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

// Decodes the well-formed UTF-8 sequence at text[pos]: returns its length and sets codePoint, or returns 0 for
// an overlong form, a surrogate, a value above U+10FFFF, a cut-off sequence or a byte that cannot start one.
inline std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || IsSurrogate(codePoint)) return 0;
  return length;
}

}  // namespace platform
