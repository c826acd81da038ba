// The application's start, its message loop and its end.
#include "platform/ui/AfxMessageLoop.h"

#include <QApplication>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include "platform/core/CDocTemplate.h"
#include "platform/core/CFile.h"
#include "platform/core/CWinApp.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/AfxConsole.h"
#include "platform/ui/AfxFileDialog.h"
#include "platform/ui/AfxMainWindow.h"
#include "platform/ui/AfxMessageBox.h"
#include "platform/ui/AfxSingleInstance.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/SingleInstance.h"
#include "platform/ui/StandardControls.h"
#include "platform/ui/TerminationSignals.h"

namespace {

bool g_mainLoopRunning = false;
// A close request waits this many times 50 ms for dialogs and nested loops to end.
constexpr int kCloseTries = 40;
bool g_quitRequested = false;

void RequestClose(int triesLeft) {
  QWidget* modal = QApplication::activeModalWidget();
  // Closing a dialog cancels it; its nested loop then returns once control gets back to it.
  if (modal) modal->close();
  // The windows behind a nested loop (a dialog's, or any other's) must not go while it runs: the code that
  // started it still uses them when it returns (the view's command, the button that was pressed). Ask again
  // once the loops have returned.
  if (modal || QThread::currentThread()->loopLevel() > 1) {
    if (triesLeft > 0) QTimer::singleShot(50, qApp, [triesLeft] { RequestClose(triesLeft - 1); });
    return;
  }
  if (QWidget* main = AfxGetMainWindowWidget()) {
    main->close();
    return;
  }
  // Still starting: end as soon as the start-up has finished.
  g_quitRequested = true;
  AfxPostQuitMessage(0);
}

}  // namespace

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  // The application object is built before the resources are registered; its name comes from them now.
  if (app) app->SetCurrentHandles();
  if (const auto status = AfxAnswerInformationRequest(app, argc, argv)) return *status;
  if (!app) {
    AfxPrintStartupProblem(CString(u"no application object"));
    return 1;
  }

  AfxIgnoreFileSizeSignal();  // an over-size save fails with the framework's message instead of a kill
  QApplication qtApp(argc, argv);
  AfxInitWindowLayer(qtApp);

  // Signals are caught before the lock is taken: once the lock exists, a SIGTERM is a normal close.
  const CTerminationSignals termination(&AfxRequestClose);
  // The lock's folder and socket are named after the application.
  CSingleInstance instance(CSingleInstance::NameOf(app->m_pszAppName.ToQString()),
                           QCoreApplication::applicationFilePath());
  app->SetCommandLine(argc, argv);
  AfxHandOverNamedFile(*app, instance);
  if (const auto status = AfxEndUnlessFirst(instance, app->m_pszAppName)) return *status;

  const BOOL started = app->InitInstance();
  if (started && !g_quitRequested) {
    g_mainLoopRunning = true;
    QApplication::exec();
    g_mainLoopRunning = false;
  }
  // Windows go while the Qt application still exists; after a normal close this finds nothing left.
  if (CDocTemplate* docTemplate = app->GetDocTemplate()) docTemplate->CloseAllDocuments(TRUE);
  app->m_pMainWnd = nullptr;
  const int status = app->ExitInstance();
  app->DeleteDocTemplate();
  return started ? status : 1;
}

void AfxInitWindowLayer(QApplication& app) {
  app.setFont(AfxGetDialogFont());
  // The program ends when its main window closes (or a start-up fails), not when the last of its windows
  // happens to close: a message box shown before the main window exists must not end it.
  app.setQuitOnLastWindowClosed(false);
  AfxRegisterStandardControls();
  AfxRegisterListViewControl();
  AfxSetMessageBoxHandler(&AfxShowMessageBox);
  CWinApp::SetFilePromptHandler(&AfxPromptForFile);
}

void AfxRequestClose() { RequestClose(kCloseTries); }

void AfxPostQuitMessage(int nExitCode) {
  if (!g_mainLoopRunning) return;
  QCoreApplication::exit(nExitCode);
}
