// The handheld's two locale settings, read once from the environment at first use.
//  - User locale: <prefix>_LOCALE, else LC_ALL, LC_TIME, LANG (first that is set); C, POSIX or nothing
//    means ja_JP, the handheld's own language.
//  - ANSI code page: <prefix>_ACP when it names a Windows ANSI code page (874, 932, 936, 949, 950,
//    1250-1258), else 932.
// The prefix is the program's (SetLocaleVariablePrefix); without one only the standard variables count.
#pragma once

#include <string>
#include <string_view>

#include "platform/core/CString.h"

class QLocale;

namespace platform {

struct LocaleSettings {
  std::string userLocale;       // "ja_JP", "en_US", ...
  CString shortDatePattern;     // Qt date pattern with a four-digit year: "yyyy/MM/dd", "M/d/yyyy"
  CString longDatePattern;      // the locale's long date pattern, for the date picker
  unsigned ansiCodePage = 932;
  // Changes whenever the settings are read again: what is computed from them (date texts, converted built-in
  // texts) is kept while it stays the same.
  unsigned revision = 0;
};

// Names the program's own override variables, "<prefix>_LOCALE" and "<prefix>_ACP", and reads the settings
// again when the name changes. The program calls it at start-up, before anything reads the settings.
void SetLocaleVariablePrefix(const std::string& prefix);

// The settings in force. Read from the environment on first call; after that a plain load, as date texts ask
// once per list row.
const LocaleSettings& GetLocaleSettings();

// Re-reads the environment (tests that switch locales call this after setenv).
void ReloadLocaleSettings();

// The user locale as a QLocale (month and day names of date texts), built once with the settings.
const QLocale& GetUserQLocale();

// Bytes in the ANSI code page of the settings (built-in texts are code-page-932 byte strings).
CString FromAnsi(std::string_view bytes);

}  // namespace platform
