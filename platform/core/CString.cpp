// The conversions to and from UTF-8 and QString, the substring and search members on the code units, and
// %1..%9 replaced in one pass.
#include "platform/core/CString.h"

#include <initializer_list>
#include <numeric>

#include <QString>

#include "platform/core/Utf.h"

CString CString::FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const std::size_t length = platform::DecodeUtf8(utf8, i, cp);
    if (length == 0) {
      out += static_cast<char16_t>(platform::kReplacementCharacter);
      ++i;
      continue;
    }
    platform::AppendUtf16(out, cp);
    i += length;
  }
  return CString(std::move(out));
}


CString CString::FromQString(const QString& text) {
  return CString(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

QString CString::ToQString() const {
  return QString(reinterpret_cast<const QChar*>(m_text.data()), static_cast<qsizetype>(m_text.size()));
}

std::string CString::ToUtf8() const {
  std::string out;
  out.reserve(m_text.size());
  platform::AppendUtf8(out, std::u16string_view(m_text));
  return out;
}

CString CString::Left(int count) const {
  if (count <= 0) return {};
  return CString(m_text.substr(0, static_cast<std::size_t>(count)));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count <= 0 || first >= GetLength()) return {};
  return CString(m_text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

CString CString::Right(int count) const {
  if (count <= 0) return {};
  if (count >= GetLength()) return *this;
  return CString(m_text.substr(m_text.size() - static_cast<std::size_t>(count)));
}

int CString::Find(char16_t unit, int start) const {
  if (start < 0) start = 0;
  if (start >= GetLength()) return -1;
  const std::size_t at = m_text.find(unit, static_cast<std::size_t>(start));
  return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const CString& text, int start) const {
  if (start < 0) start = 0;
  if (start > GetLength()) return -1;
  const std::size_t at = m_text.find(text.m_text, static_cast<std::size_t>(start));
  return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

namespace {

// Replaces "%1" … "%N" (N at most 9) with the arguments in one pass, so no argument's text is read as a marker.
std::u16string FormatMessageArguments(const std::u16string& text, std::initializer_list<const std::u16string*> args) {
  std::u16string out;
  out.reserve(text.size() + std::accumulate(args.begin(), args.end(), std::size_t{0},
                                            [](std::size_t sum, const std::u16string* arg) { return sum + arg->size(); }));
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
    const std::size_t number = next >= u'1' && next <= u'9' ? static_cast<std::size_t>(next - u'1') : args.size();
    if (text[i] == u'%' && number < args.size()) {
      out += *args.begin()[number];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

CString CString::FormatMessage1(const CString& argument) const {
  return CString(FormatMessageArguments(m_text, {&argument.m_text}));
}

CString CString::FormatMessage2(const CString& first, const CString& second) const {
  return CString(FormatMessageArguments(m_text, {&first.m_text, &second.m_text}));
}
