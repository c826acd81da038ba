// The single-instance lock as the application's start uses it.
#include "platform/ui/AfxSingleInstance.h"

#include <QApplication>
#include <QByteArray>
#include <QTimer>

#include "platform/core/CWinApp.h"
#include "platform/core/NativePath.h"
#include "platform/ui/AfxConsole.h"
#include "platform/ui/AfxMainWindow.h"
#include "platform/ui/SingleInstance.h"

namespace {

// A file handed over by a later start, through the Open flow. An open dialog keeps its document: the file waits
// until the dialog is closed.
void OpenHandedFile(const CString& path) {
  constexpr int kWhileADialogIsOpenMs = 200;
  if (QApplication::activeModalWidget()) {
    QTimer::singleShot(kWhileADialogIsOpenMs, qApp, [path] { OpenHandedFile(path); });
    return;
  }
  if (CWinApp* running = AfxGetApp()) running->OpenDocumentFile(path);
  AfxActivateMainWindow();
}

}  // namespace

void AfxHandOverNamedFile(CWinApp& app, CSingleInstance& instance) {
  CCommandLineInfo named;
  app.ParseCommandLine(named);
  if (!named.m_strFileName.IsEmpty()) {
    instance.SetFileToOpen(QByteArray::fromStdString(platform::ToNativePath(platform::AbsolutePath(named.m_strFileName))));
  }
  instance.SetOpenHandler([](const QByteArray& nativePath) {
    if (!AfxGetMainWindowWidget()) return false;  // still starting: the other start asks again
    const CString path = platform::PathFromNative(nativePath.toStdString());
    // Answered first, opened after: a message of the open must not keep the other start waiting.
    QTimer::singleShot(0, qApp, [path] { OpenHandedFile(path); });
    return AfxActivateMainWindow() != FALSE;
  });
}

std::optional<int> AfxEndUnlessFirst(CSingleInstance& instance, const CString& appName) {
  switch (instance.Start([] { return AfxActivateMainWindow() != FALSE; })) {
    case CSingleInstance::Outcome::first:
      return std::nullopt;
    case CSingleInstance::Outcome::raised:
      return 0;
    case CSingleInstance::Outcome::unanswered:
      AfxPrintStartupProblem(CString(u"an instance already runs but did not show its window; not starting another"));
      return 1;
    case CSingleInstance::Outcome::unsafe:
      break;
  }
  // Another user must never keep this one from working: without a trusted lock the program runs all the same
  // (writers take turns on a file and keep each other's versions, so a second window loses nothing).
  AfxPrintStartupProblem(CString::FromQString(
      QStringLiteral("%1 cannot make sure that it runs only once (%2); starting anyway. Set XDG_RUNTIME_DIR to a "
                     "folder only you can use.")
          .arg(appName.ToQString(), instance.Problem())));
  return std::nullopt;
}
