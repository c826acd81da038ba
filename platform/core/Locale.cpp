#include "platform/core/Locale.h"

#include <QLocale>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/core/CodePage.h"

namespace platform {
namespace {

constexpr const char* kDefaultLocale = "ja_JP";
constexpr unsigned kDefaultCodePage = 932;

std::string Getenv(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// "ja_JP.UTF-8@x" -> "ja_JP"; C, POSIX and nothing mean the program's own language.
std::string UserLocaleName() {
  std::string_view chosen;
  for (const char* variable : {"TARVELQUIST_LOCALE", "LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      chosen = value;
      break;
    }
  }
  chosen = chosen.substr(0, chosen.find_first_of(".@"));
  if (chosen.empty() || chosen == "C" || chosen == "POSIX") chosen = kDefaultLocale;
  return std::string(chosen);
}

// The platform's short date always shows the full year: a two-digit "yy" becomes "yyyy".
QString WidenYear(const QString& pattern) {
  QString out;
  out.reserve(pattern.size() + 2);
  for (qsizetype i = 0; i < pattern.size();) {
    qsizetype run = 1;
    if (pattern[i] == u'\'') {  // quoted literal: copy through the closing quote
      const qsizetype close = pattern.indexOf(u'\'', i + 1);
      const qsizetype end = close < 0 ? pattern.size() : close + 1;
      out += pattern.mid(i, end - i);
      i = end;
      continue;
    }
    while (i + run < pattern.size() && pattern[i + run] == pattern[i]) ++run;
    if (pattern[i] == u'y' && run == 2) {
      out += QStringLiteral("yyyy");
    } else {
      out += pattern.mid(i, run);
    }
    i += run;
  }
  return out;
}

unsigned AnsiCodePage() {
  const std::string text = Getenv("TARVELQUIST_ACP");
  if (text.empty()) return kDefaultCodePage;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || value > 65535) return kDefaultCodePage;
  const auto codePage = static_cast<unsigned>(value);
  return IsSupportedAnsiCodePage(codePage) ? codePage : kDefaultCodePage;
}

struct State {
  LocaleSettings settings;
  QLocale locale;
};

State Read() {
  State state;
  std::string name = UserLocaleName();
  QLocale locale(QString::fromStdString(name));
  if (locale.language() == QLocale::C) {  // a name Qt does not know: the program's own language
    name = kDefaultLocale;
    locale = QLocale(QString::fromLatin1(kDefaultLocale));
  }
  state.settings.userLocale = name;
  state.settings.shortDatePattern = CString::FromQString(WidenYear(locale.dateFormat(QLocale::ShortFormat)));
  state.settings.longDatePattern = CString::FromQString(locale.dateFormat(QLocale::LongFormat));
  state.settings.ansiCodePage = AnsiCodePage();
  state.locale = locale;
  return state;
}

std::mutex g_mutex;
std::unique_ptr<State> g_state;

State& Current() {
  std::lock_guard lock(g_mutex);
  if (!g_state) g_state = std::make_unique<State>(Read());
  return *g_state;
}

}  // namespace

const LocaleSettings& GetLocaleSettings() { return Current().settings; }

const QLocale& GetUserQLocale() { return Current().locale; }

void ReloadLocaleSettings() {
  State fresh = Read();
  std::lock_guard lock(g_mutex);
  if (!g_state) {
    g_state = std::make_unique<State>(std::move(fresh));
  } else {
    // Replace in place: references handed out earlier stay valid.
    g_state->settings = std::move(fresh.settings);
    g_state->locale = fresh.locale;
  }
}

}  // namespace platform
