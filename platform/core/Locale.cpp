// The settings are read once under a mutex and published through an atomic pointer; the short date pattern is
// taken from QLocale with its year widened, and reloading makes a new revision.
#include "platform/core/Locale.h"

#include <QLocale>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/core/CodePage.h"

namespace platform {
namespace {

constexpr const char* kDefaultLocale = "ja_JP";
constexpr unsigned kDefaultCodePage = 932;

std::mutex g_mutex;
std::string g_prefix;  // of the program's override variables; guarded by g_mutex

std::string Getenv(const std::string& name) {
  const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
  return value ? std::string(value) : std::string();
}

// The program's override variable "<prefix>_<setting>", or empty without a prefix.
std::string OverrideVariable(const std::string& prefix, const char* setting) {
  return prefix.empty() ? std::string() : prefix + '_' + setting;
}

// "ja_JP.UTF-8@x" -> "ja_JP"; C, POSIX and nothing mean the handheld's own language.
std::string UserLocaleName(const std::string& prefix) {
  std::string chosen;
  for (const std::string& variable : {OverrideVariable(prefix, "LOCALE"), std::string("LC_ALL"),
                                      std::string("LC_TIME"), std::string("LANG")}) {
    chosen = Getenv(variable);
    if (!chosen.empty()) break;
  }
  chosen = chosen.substr(0, chosen.find_first_of(".@"));
  if (chosen.empty() || chosen == "C" || chosen == "POSIX") chosen = kDefaultLocale;
  return chosen;
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

unsigned AnsiCodePage(const std::string& prefix) {
  const std::string text = Getenv(OverrideVariable(prefix, "ACP"));
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

State Read(const std::string& prefix) {
  State state;
  std::string name = UserLocaleName(prefix);
  QLocale locale(QString::fromStdString(name));
  if (locale.language() == QLocale::C) {  // a name Qt does not know: the handheld's own language
    name = kDefaultLocale;
    locale = QLocale(QString::fromLatin1(kDefaultLocale));
  }
  state.settings.userLocale = name;
  state.settings.shortDatePattern = CString::FromQString(WidenYear(locale.dateFormat(QLocale::ShortFormat)));
  state.settings.longDatePattern = CString::FromQString(locale.dateFormat(QLocale::LongFormat));
  state.settings.ansiCodePage = AnsiCodePage(prefix);
  state.locale = locale;
  return state;
}

std::unique_ptr<State> g_state;          // guarded by g_mutex; replaced in place once made
std::atomic<State*> g_published{nullptr};  // g_state once it exists
unsigned g_revision = 0;                  // guarded by g_mutex

State& Current() {
  if (State* state = g_published.load(std::memory_order_acquire)) return *state;
  std::lock_guard lock(g_mutex);
  if (!g_state) {
    g_state = std::make_unique<State>(Read(g_prefix));
    g_state->settings.revision = ++g_revision;
    g_published.store(g_state.get(), std::memory_order_release);
  }
  return *g_state;
}

std::string Prefix() {
  std::lock_guard lock(g_mutex);
  return g_prefix;
}

}  // namespace

void SetLocaleVariablePrefix(const std::string& prefix) {
  {
    std::lock_guard lock(g_mutex);
    if (g_prefix == prefix) return;
    g_prefix = prefix;
  }
  ReloadLocaleSettings();
}

const LocaleSettings& GetLocaleSettings() { return Current().settings; }

const QLocale& GetUserQLocale() { return Current().locale; }

void ReloadLocaleSettings() {
  State fresh = Read(Prefix());
  std::lock_guard lock(g_mutex);
  fresh.settings.revision = ++g_revision;
  if (!g_state) {
    g_state = std::make_unique<State>(std::move(fresh));
    g_published.store(g_state.get(), std::memory_order_release);
  } else {
    // Replace in place: references handed out earlier stay valid.
    g_state->settings = std::move(fresh.settings);
    g_state->locale = fresh.locale;
  }
}

CString FromAnsi(std::string_view bytes) { return MultiByteToWideChar(GetLocaleSettings().ansiCodePage, bytes); }

}  // namespace platform
