// Test seams of the framework core: environment and locale overrides, recorded messages, paths as CString and
// readable CString values in test failures.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/MessageBox.h"

inline void PrintTo(const CString& text, std::ostream* out) { *out << '"' << text.ToUtf8() << '"'; }

namespace tvqtest {

inline CString PathString(const std::filesystem::path& path) { return CString::FromUtf8(path.string()); }

// Sets (or unsets) an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// The program's locale override variable of a setting ("LOCALE", "ACP"): TARVELQUIST_LOCALE, ...
std::string LocaleVariable(const char* setting);
// Has the framework read the program's override variables, as the programs do at start-up.
void UseTheProgramsLocaleVariables();

// Switches the user locale and the ANSI code page (unset: the locale's own) for its lifetime; the settings are
// read again on entry and on exit.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* locale, const char* codePage = nullptr);
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  struct ReloadOnExit {
    ~ReloadOnExit();
  };
  ReloadOnExit m_reload;  // declared first: runs after both variables are restored
  ScopedEnv m_locale;
  ScopedEnv m_codePage;
};

struct RecordedMessage {
  std::string text;
  std::string caption;
  UINT type;
};

// Records every message the framework shows while it lives; answers with the first button.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  // The texts alone, in order.
  std::vector<std::string> Texts() const;

  std::vector<RecordedMessage> messages;

 private:
  MessageBoxHandler m_previous;
};

}  // namespace tvqtest
