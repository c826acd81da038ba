// Helpers shared by the core tests: temporary folders, environment overrides, file bytes and a message recorder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Locale.h"
#include "platform/core/MessageBox.h"

namespace testing_support {

using Bytes = std::vector<unsigned char>;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvq-core-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

 private:
  std::filesystem::path m_path;
};

inline CString PathString(const std::filesystem::path& path) { return CString::FromUtf8(path.string()); }

inline Bytes ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Sets (or unsets) an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (m_old) {
      ::setenv(m_name.c_str(), m_old->c_str(), 1);
    } else {
      ::unsetenv(m_name.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// Switches the user locale and code page for one test; the settings are read again when it ends.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* locale, const char* codePage = nullptr)
      : m_locale("TARVELQUIST_LOCALE", std::string(locale)),
        m_acp("TARVELQUIST_ACP", codePage ? std::optional<std::string>(codePage) : std::nullopt) {
    platform::ReloadLocaleSettings();
  }

 private:
  struct ReloadOnExit {
    ~ReloadOnExit() { platform::ReloadLocaleSettings(); }
  };
  ReloadOnExit m_reload;  // declared first: runs after both variables are restored
  ScopedEnv m_locale;
  ScopedEnv m_acp;
};

struct RecordedMessage {
  std::string text;
  std::string caption;
  UINT type;
};

// Records every message box while alive; answers with the first button.
class MessageRecorder {
 public:
  MessageRecorder() {
    m_previous = AfxSetMessageBoxHandler([this](const CString& text, const CString& caption, UINT type) {
      messages.push_back({text.ToUtf8(), caption.ToUtf8(), type});
      return IDOK;
    });
  }
  ~MessageRecorder() { AfxSetMessageBoxHandler(std::move(m_previous)); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<RecordedMessage> messages;

 private:
  MessageBoxHandler m_previous;
};

}  // namespace testing_support
