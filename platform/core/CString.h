// CString: the framework's text type. UTF-16 code units with an explicit length, so embedded U+0000 and
// unpaired surrogates survive copies, comparisons and files. Comparison is ordinal by unsigned code unit.
#pragma once

#include <compare>
#include <string>
#include <string_view>

#include "platform/core/WinTypes.h"

class QString;

class CString {
 public:
  CString() = default;
  CString(const char16_t* text) : m_text(text ? text : u"") {}  // NOLINT: implicit like the framework's
  CString(const char16_t* text, std::size_t length) : m_text(text, length) {}
  CString(std::u16string text) : m_text(std::move(text)) {}     // NOLINT
  CString(std::u16string_view text) : m_text(text) {}            // NOLINT
  CString(std::size_t count, char16_t unit) : m_text(count, unit) {}

  // ASCII / UTF-8 source text (English framework messages, paths).
  static CString FromUtf8(std::string_view utf8);
  static CString FromQString(const QString& text);

  QString ToQString() const;
  // UTF-8 for terminals and file names; unpaired surrogates become U+FFFD.
  std::string ToUtf8() const;

  int GetLength() const { return static_cast<int>(m_text.size()); }
  std::size_t size() const { return m_text.size(); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  char16_t GetAt(int index) const { return m_text[static_cast<std::size_t>(index)]; }
  char16_t operator[](int index) const { return GetAt(index); }

  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;
  int Find(char16_t unit, int start = 0) const;
  int Find(const CString& text, int start = 0) const;
  // Replaces every "%1" with the argument (framework message formatting).
  CString FormatMessage1(const CString& argument) const;
  // Replaces "%1" and "%2" in one pass: an argument that contains "%2" stays as it is.
  CString FormatMessage2(const CString& first, const CString& second) const;

  // Ordinal: <0, 0, >0 by unsigned 16-bit code units; a prefix is smaller.
  int Compare(const CString& other) const { return m_text.compare(other.m_text); }

  const char16_t* GetString() const { return m_text.c_str(); }
  const std::u16string& str() const { return m_text; }
  std::u16string& str() { return m_text; }
  std::u16string_view view() const { return m_text; }

  CString& operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
  }
  CString& operator+=(char16_t unit) {
    m_text += unit;
    return *this;
  }
  friend CString operator+(CString left, const CString& right) { return left += right; }
  friend bool operator==(const CString& a, const CString& b) = default;
  friend std::strong_ordering operator<=>(const CString& a, const CString& b) {
    return a.m_text <=> b.m_text;
  }

 private:
  std::u16string m_text;
};
