#include "tests/support/Framework.h"

#include <stdlib.h>

#include <utility>

#include "platform/core/Locale.h"
#include "res/ProgramResources.h"

namespace tvqtest {

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
  if (const char* old = getenv(name)) m_old = old;
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (m_old) {
    setenv(m_name.c_str(), m_old->c_str(), 1);
  } else {
    unsetenv(m_name.c_str());
  }
}

std::string LocaleVariable(const char* setting) { return std::string(kTarvelquistLocalePrefix) + '_' + setting; }

void UseTheProgramsLocaleVariables() { platform::SetLocaleVariablePrefix(kTarvelquistLocalePrefix); }

ScopedLocale::ScopedLocale(const char* locale, const char* codePage)
    : m_locale(LocaleVariable("LOCALE").c_str(), std::string(locale)),
      m_codePage(LocaleVariable("ACP").c_str(), codePage ? std::optional<std::string>(codePage) : std::nullopt) {
  UseTheProgramsLocaleVariables();
  platform::ReloadLocaleSettings();
}

ScopedLocale::ReloadOnExit::~ReloadOnExit() { platform::ReloadLocaleSettings(); }

MessageRecorder::MessageRecorder() {
  m_previous = AfxSetMessageBoxHandler([this](const CString& text, const CString& caption, UINT type) {
    messages.push_back({text.ToUtf8(), caption.ToUtf8(), type});
    return IDOK;
  });
}

MessageRecorder::~MessageRecorder() { AfxSetMessageBoxHandler(std::move(m_previous)); }

std::vector<std::string> MessageRecorder::Texts() const {
  std::vector<std::string> texts;
  for (const RecordedMessage& message : messages) texts.push_back(message.text);
  return texts;
}

}  // namespace tvqtest
