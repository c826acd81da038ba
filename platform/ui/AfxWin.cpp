// The application's start-up and loop, and the window layer's message box and open-file prompt.
#include "platform/ui/AfxWin.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string_view>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/core/CDocTemplate.h"
#include "platform/core/CFile.h"
#include "platform/core/CWinApp.h"
#include "platform/core/MessageBox.h"
#include "platform/core/NativePath.h"
#include "platform/core/Resource.h"
#include "platform/core/ResourceFormats.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/ModalLoop.h"
#include "platform/ui/SingleInstance.h"

namespace {

bool g_mainLoopRunning = false;
bool g_quitRequested = false;

// ---- --help and --version -------------------------------------------------------------------------------

std::string VersionFromResources() {
  const HINSTANCE module = AfxGetResourceHandle();
  if (!module) return {};
  for (const CResourceModule::Entry& entry : module->Entries()) {
    if (!(entry.type == ResId(RT_VERSION))) continue;
    if (const auto info = platform::ParseVersionInfo(entry.data)) return platform::VersionText(info->fileVersion);
  }
  return {};
}

std::optional<int> AnswerInformationRequest(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--version") {
      const std::string version = VersionFromResources();
      std::printf("Tarvelquist %s\n", version.empty() ? "(no version block)" : version.c_str());
      return 0;
    }
    if (arg == "--help") {
      std::printf(
          "Usage: tarvelquist [Qt options]\n"
          "\n"
          "Tarvelquist keeps a personal list of tasks in a .tvq file. At start it reopens the last file it\n"
          "read, or begins a new list; files named on the command line are not opened.\n"
          "\n"
          "  --help      show this text and exit\n"
          "  --version   show the version and exit\n"
          "\n"
          "Qt options such as -platform apply. Without a display, run it on Qt's VNC platform and connect a\n"
          "VNC viewer to localhost:5900:\n"
          "  tarvelquist -platform vnc:port=5900\n");
      return 0;
    }
  }
  return std::nullopt;
}

// ---- termination signals --------------------------------------------------------------------------------

// SIGTERM, SIGINT and SIGHUP close the main window as the user would: a modified document is saved first.
// The handler only writes to a pipe; the loop does the rest.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

void RequestClose(int triesLeft) {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    // A dialog's nested loop must end before the windows behind it go: close it (closing cancels), then ask
    // again once its loop has returned.
    modal->close();
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

class TerminationSignals {
 public:
  TerminationSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [] {
      char byte = 0;
      if (::read(g_signalPipe[0], &byte, 1) == 1) RequestClose(40);
    });
    struct sigaction action {};
    action.sa_handler = &OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
  }
  ~TerminationSignals() {
    for (const int signal : kSignals) ::signal(signal, SIG_DFL);
    m_notifier.reset();
    for (int& fd : g_signalPipe) {
      if (fd >= 0) ::close(fd);
      fd = -1;
    }
  }
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  static constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};
  std::unique_ptr<QSocketNotifier> m_notifier;
};

// ---- message box ----------------------------------------------------------------------------------------

QMessageBox::Icon IconFor(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

struct ButtonAnswer {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<ButtonAnswer> ButtonsFor(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case 0x2: return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case 0x5: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
  }
}

QWidget* DialogParent() {
  if (QWidget* main = AfxGetMainWindowWidget(); main && main->isVisible()) return main;
  return QApplication::activeWindow();
}

}  // namespace

// ---- the application's loop -----------------------------------------------------------------------------

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  // The application object is built before the resources are registered; its name comes from them now.
  if (app && app->m_pszAppName.IsEmpty()) app->m_pszAppName = AfxLoadString(AFX_IDS_APP_TITLE);
  if (const auto status = AnswerInformationRequest(argc, argv)) return *status;
  if (!app) {
    std::fprintf(stderr, "tarvelquist: no application object\n");
    return 1;
  }

  AfxIgnoreFileSizeSignal();  // an over-size save fails with the framework's message instead of a kill
  QApplication qtApp(argc, argv);
  AfxInitWindowLayer(qtApp);

  CSingleInstance instance(QCoreApplication::applicationFilePath());
  if (instance.ReachRunningInstance()) return 0;
  // Signals are caught before the lock is taken: once the lock exists, a SIGTERM is a normal close.
  TerminationSignals termination;
  instance.Listen([] { return AfxActivateMainWindow() != FALSE; });

  app->SetCommandLine(argc, argv);
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

void AfxPostQuitMessage(int nExitCode) {
  if (!g_mainLoopRunning) return;
  QCoreApplication::exit(nExitCode);
}

QWidget* AfxGetMainWindowWidget() {
  const CWinApp* app = AfxGetApp();
  return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

BOOL AfxActivateMainWindow() {
  QWidget* main = AfxGetMainWindowWidget();
  if (!main || !main->isVisible()) return FALSE;
  if (main->isMinimized()) main->showNormal();
  main->raise();
  main->activateWindow();
  if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->raise();
    modal->activateWindow();
  }
  return TRUE;
}

// ---- message box and open-file prompt -------------------------------------------------------------------

int AfxShowMessageBox(const CString& text, const CString& caption, UINT nType) {
  QMessageBox box(IconFor(nType), caption.ToQString(), text.ToQString(), QMessageBox::NoButton, DialogParent());
  const std::vector<ButtonAnswer> buttons = ButtonsFor(nType);
  for (const ButtonAnswer& entry : buttons) box.addButton(entry.button);
  box.setDefaultButton(buttons.front().button);
  {
    const CModalLoopScope modal;
    box.exec();
  }
  const auto pressed = box.standardButton(box.clickedButton());
  for (const ButtonAnswer& entry : buttons) {
    if (entry.button == pressed) return entry.answer;
  }
  // Closed without a button: the box's cancel answer, or its only button.
  for (const ButtonAnswer& entry : buttons) {
    if (entry.answer == IDCANCEL) return IDCANCEL;
  }
  return buttons.size() == 1 ? buttons.front().answer : IDCANCEL;
}

QStringList AfxFileDialogFilters(const CString& filter) {
  const QString text = filter.ToQString();
  QStringList filters;
  if (!text.contains(u'|')) {
    for (const QString& part : text.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) filters << part.trimmed();
    return filters;
  }
  // The framework's form: pairs of a display name and its patterns, "|"-separated, ending in "||".
  const QStringList parts = text.split(u'|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& name = parts[i];
    const QString& patterns = parts[i + 1];
    if (name.isEmpty()) break;
    // A display name that already shows its patterns ("Tarvelquist Files (*.tvq)") stays as it is.
    filters << (name.endsWith(u')') ? name : QStringLiteral("%1 (%2)").arg(name, QString(patterns).replace(u';', u' ')));
  }
  return filters;
}

namespace {

// Qt's file dialog decodes names that are not UTF-8 with U+FFFD and then finds no such file. It accepts a
// choice when the name it shows stands for exactly one file on disk.
class OpenFileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  void accept() override {
    const QStringList chosen = selectedFiles();
    if (chosen.size() == 1 && !QFileInfo::exists(chosen.front())) {
      const CString shown = CString::FromQString(chosen.front());
      if (platform::RecoverLossyPath(shown) != shown) {
        QDialog::accept();
        return;
      }
    }
    QFileDialog::accept();
  }
};

}  // namespace

BOOL AfxPromptForFile(CString& fileName, const CString& title, const CString& filter) {
  OpenFileDialog dialog(DialogParent(), title.ToQString());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  const QStringList filters = AfxFileDialogFilters(filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!fileName.IsEmpty()) dialog.selectFile(fileName.ToQString());
  // "All Files (*.*)" means every file, also those without a dot in their name.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& selected) {
    if (!selected.endsWith(QStringLiteral("(*.*)"))) return;
    if (auto* model = dialog.findChild<QFileSystemModel*>()) model->setNameFilters({QStringLiteral("*")});
  });
  int answer = QDialog::Rejected;
  {
    const CModalLoopScope modal;
    answer = dialog.exec();
  }
  if (answer != QDialog::Accepted) return FALSE;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return FALSE;
  // The dialog shows a name that is not UTF-8 with U+FFFD in it: open the file it showed all the same.
  fileName = platform::RecoverLossyPath(CString::FromQString(chosen.front()));
  return TRUE;
}
