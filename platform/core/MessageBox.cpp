// The handler is swapped under a mutex and called with the application's name (else the program's) as
// caption; without one the message goes to stderr and the box's first button is the answer.
#include "platform/core/MessageBox.h"

#include <cstdio>
#include <mutex>

#include "platform/core/AppName.h"
#include "platform/core/FrameworkStrings.h"
#include "platform/core/NativePath.h"
#include "platform/core/Resource.h"

namespace {

std::mutex g_mutex;
MessageBoxHandler g_handler;

// Without a window to ask, the answer is the box's first button.
int FirstButton(UINT type) {
  switch (type & MB_TYPEMASK) {
    case 0x2: return IDABORT;   // abort, retry, ignore
    case MB_YESNOCANCEL:
    case MB_YESNO: return IDYES;
    case 0x5: return IDRETRY;   // retry, cancel
    default: return IDOK;       // ok, ok-cancel
  }
}

int PrintToStderr(const CString& text, const CString& caption, UINT type) {
  std::fprintf(stderr, "%s: %s\n", caption.ToUtf8().c_str(), text.ToUtf8().c_str());
  std::fflush(stderr);
  return FirstButton(type);
}

CString Caption() {
  const CString name = AfxGetAppName();
  return name.IsEmpty() ? platform::ExecutableName() : name;
}

}  // namespace

MessageBoxHandler AfxSetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(g_mutex);
  MessageBoxHandler previous = std::move(g_handler);
  g_handler = std::move(handler);
  return previous;
}

int AfxMessageBox(const CString& text, UINT nType, UINT nIDHelp) {
  MessageBoxHandler handler;
  {
    std::lock_guard lock(g_mutex);
    handler = g_handler;
  }
  const CString caption = Caption();
  return handler ? handler(text, caption, nType) : PrintToStderr(text, caption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  CString text = AfxFrameworkString(nIDPrompt);
  if (text.IsEmpty()) text = AfxLoadString(nIDPrompt);
  return AfxMessageBox(text, nType, nIDPrompt);
}
