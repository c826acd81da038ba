#include "tests/doc/DocTestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/core/Locale.h"

namespace doctest {

Bytes Hex(std::string_view text) {
  Bytes bytes;
  int pending = -1;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) continue;
    if (pending < 0) {
      pending = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(pending * 16 + digit));
      pending = -1;
    }
  }
  return bytes;
}

std::string ToHex(const Bytes& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (const auto byte : bytes) {
    if (!text.empty()) text.push_back(' ');
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 15]);
  }
  return text;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tvq-doc-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(m_path, error);
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

MessageRecorder::MessageRecorder() {
  m_previous = AfxSetMessageBoxHandler([this](const CString& text, const CString&, UINT) {
    m_messages.push_back(text.ToUtf8());
    return IDOK;
  });
}

MessageRecorder::~MessageRecorder() { AfxSetMessageBoxHandler(m_previous); }

LocaleScope::LocaleScope(const char* locale, const char* ansiCodePage) {
  setenv("TARVELQUIST_LOCALE", locale, 1);
  if (ansiCodePage) {
    setenv("TARVELQUIST_ACP", ansiCodePage, 1);
  } else {
    unsetenv("TARVELQUIST_ACP");
  }
  platform::ReloadLocaleSettings();
}

LocaleScope::~LocaleScope() {
  setenv("TARVELQUIST_LOCALE", "ja_JP", 1);
  unsetenv("TARVELQUIST_ACP");
  platform::ReloadLocaleSettings();
}

const std::string& ConfigHome() {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvq-config-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
  }();
  return path;
}

}  // namespace doctest

// Settings and locale are fixed before any test reads them: a private configuration folder (never the user's)
// and the program's own Japanese locale with code page 932.
int main(int argc, char** argv) {
  setenv("XDG_CONFIG_HOME", doctest::ConfigHome().c_str(), 1);
  setenv("TARVELQUIST_LOCALE", "ja_JP", 1);
  unsetenv("TARVELQUIST_ACP");
  platform::ReloadLocaleSettings();
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code error;
  std::filesystem::remove_all(doctest::ConfigHome(), error);
  return result;
}
