// Helpers for the task data tests: temporary folders, byte files, recorded messages, locale switching.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/MessageBox.h"

// Readable CString values in test failures.
inline void PrintTo(const CString& text, std::ostream* out) { *out << '"' << text.ToUtf8() << '"'; }

namespace doctest {

using Bytes = std::vector<std::uint8_t>;

// "01 00 FF" -> bytes.
Bytes Hex(std::string_view text);
std::string ToHex(const Bytes& bytes);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

// Records every message the framework shows while it lives.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;
  const std::vector<std::string>& Messages() const { return m_messages; }

 private:
  std::vector<std::string> m_messages;
  MessageBoxHandler m_previous;
};

// Sets TARVELQUIST_LOCALE (and the ANSI code page when given) for its lifetime and reloads the settings.
class LocaleScope {
 public:
  explicit LocaleScope(const char* locale, const char* ansiCodePage = nullptr);
  ~LocaleScope();
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;
};

// The configuration folder every test process uses (XDG_CONFIG_HOME, set before anything reads settings).
const std::string& ConfigHome();

inline CString U(std::u16string_view text) { return CString(text); }

}  // namespace doctest
