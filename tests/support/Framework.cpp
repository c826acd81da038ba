#include "tests/support/Framework.h"

#include <stdlib.h>

#include <utility>

#include "platform/core/Locale.h"

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

ScopedLocale::ScopedLocale(const char* locale, const char* codePage)
    : m_locale("TARVELQUIST_LOCALE", std::string(locale)),
      m_codePage("TARVELQUIST_ACP", codePage ? std::optional<std::string>(codePage) : std::nullopt) {
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
