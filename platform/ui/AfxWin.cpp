// The application's start-up and loop, and the window layer's message box and open-file prompt.
#include "platform/ui/AfxWin.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
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
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QSettings>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include "platform/core/CDocTemplate.h"
#include "platform/core/CFile.h"
#include "platform/core/CWinApp.h"
#include "platform/core/MessageBox.h"
#include "platform/core/NativePath.h"
#include "platform/core/Resource.h"
#include "platform/core/ResourceFormats.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/ModalLoop.h"
#include "platform/ui/SingleInstance.h"
#include "platform/ui/StandardControls.h"

namespace {

bool g_mainLoopRunning = false;
// A close request waits this many times 50 ms for dialogs and nested loops to end.
constexpr int kCloseTries = 40;
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

// The window layer's usage, for a program that gives none of its own.
CString DefaultCommandLineHelp(const CString& exeName) {
  return CString(u"Usage: ") + exeName +
         CString(u" [Qt options]\n"
                 u"\n"
                 u"  --help      show this text and exit\n"
                 u"  --version   show the version and exit\n");
}

std::optional<int> AnswerInformationRequest(const CWinApp* app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--version") {
      const std::string version = VersionFromResources();
      const std::string name = app ? app->m_pszAppName.ToUtf8() : AfxGetExeName().ToUtf8();
      std::printf("%s %s\n", name.c_str(), version.empty() ? "(no version block)" : version.c_str());
      return 0;
    }
    if (arg == "--help") {
      CString help = app ? app->GetCommandLineHelp() : CString();
      if (help.IsEmpty()) help = DefaultCommandLineHelp(AfxGetExeName());
      std::fputs(help.ToUtf8().c_str(), stdout);
      return 0;
    }
  }
  return std::nullopt;
}

// A line on stderr in the manner of a command-line program: "<executable>: <text>".
void PrintStartupProblem(const CString& text) {
  std::fprintf(stderr, "%s: %s\n", AfxGetExeName().ToUtf8().c_str(), text.ToUtf8().c_str());
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

class TerminationSignals {
 public:
  TerminationSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [] {
      char byte = 0;
      if (::read(g_signalPipe[0], &byte, 1) == 1) AfxRequestClose();
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

// A file named on the command line goes to the running instance when there is one; this instance, once it
// runs, opens files that later starts hand to it, through the same Open flow as a chosen file.
void HandOverNamedFile(CWinApp& app, CSingleInstance& instance) {
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

// The single-instance test: nothing when this start runs on, else the status it ends with.
std::optional<int> EndUnlessFirst(CSingleInstance& instance, const CString& appName) {
  switch (instance.Start([] { return AfxActivateMainWindow() != FALSE; })) {
    case CSingleInstance::Outcome::first:
      return std::nullopt;
    case CSingleInstance::Outcome::raised:
      return 0;
    case CSingleInstance::Outcome::unanswered:
      PrintStartupProblem(CString(u"an instance already runs but did not show its window; not starting another"));
      return 1;
    case CSingleInstance::Outcome::unsafe:
      break;
  }
  // Running without a trusted lock could put two windows on one file, each saving over the other's changes.
  const CString text = CString::FromQString(
      QStringLiteral("%1 cannot make sure that it runs only once, so it does not start: %2. Set "
                     "XDG_RUNTIME_DIR to a folder only you can use.")
          .arg(appName.ToQString(), instance.Problem()));
  PrintStartupProblem(text);
  AfxMessageBox(text, MB_ICONEXCLAMATION);
  return 1;
}

// Shows a window that may be minimized and puts it on top of the others.
void BringToFront(QWidget* window) {
  if (window->isMinimized()) window->showNormal();
  window->raise();
}

QWidget* DialogParent() {
  if (QWidget* main = AfxGetMainWindowWidget(); main && main->isVisible()) return main;
  return QApplication::activeWindow();
}

// Qt's file dialog keeps its history and last folder in Qt's own settings file (QtProject.conf), read when it
// is made and written when it goes. The program persists nothing but its one setting: while a file dialog
// lives, the user's settings folder of Qt's own formats is one below a file, where nothing can be read and no
// folder or file can ever be made; the folder is put back afterwards.
class QtSettingsSetAside {
 public:
  QtSettingsSetAside() {
    for (const auto format : kFormats) {
      m_folders.push_back(UserFolder(format));
      QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
    }
  }
  ~QtSettingsSetAside() {
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
      QSettings::setPath(kFormats[i], QSettings::UserScope, m_folders[i]);
    }
  }
  QtSettingsSetAside(const QtSettingsSetAside&) = delete;
  QtSettingsSetAside& operator=(const QtSettingsSetAside&) = delete;

 private:
  static constexpr std::array kFormats{QSettings::NativeFormat, QSettings::IniFormat};

  // QSettings tells its folders only through the file names of its objects.
  static QString UserFolder(QSettings::Format format) {
    return QFileInfo(QSettings(format, QSettings::UserScope, QStringLiteral("folder")).fileName()).absolutePath();
  }

  std::vector<QString> m_folders;
};

// The file dialog's view fitted to the window: no side bar and no type column (the handheld's list shows
// neither), the size and date as wide as they need and the name taking the rest.
void FitFileDialogToTheWindow(QFileDialog& dialog) {
  if (auto* sidebar = dialog.findChild<QWidget*>(QStringLiteral("sidebar"))) sidebar->hide();
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;
  QHeaderView* header = view->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::ResizeToContents);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  constexpr int kTypeColumn = 2;
  view->setColumnHidden(kTypeColumn, true);
}

}  // namespace

// ---- the application's loop -----------------------------------------------------------------------------

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  // The application object is built before the resources are registered; its name comes from them now.
  if (app) app->SetCurrentHandles();
  if (const auto status = AnswerInformationRequest(app, argc, argv)) return *status;
  if (!app) {
    PrintStartupProblem(CString(u"no application object"));
    return 1;
  }

  AfxIgnoreFileSizeSignal();  // an over-size save fails with the framework's message instead of a kill
  QApplication qtApp(argc, argv);
  AfxInitWindowLayer(qtApp);

  // Signals are caught before the lock is taken: once the lock exists, a SIGTERM is a normal close.
  TerminationSignals termination;
  // The lock's folder and socket are named after the application.
  CSingleInstance instance(CSingleInstance::NameOf(app->m_pszAppName.ToQString()),
                           QCoreApplication::applicationFilePath());
  app->SetCommandLine(argc, argv);
  HandOverNamedFile(*app, instance);
  if (const auto status = EndUnlessFirst(instance, app->m_pszAppName)) return *status;

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

QWidget* AfxGetMainWindowWidget() {
  const CWinApp* app = AfxGetApp();
  return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

BOOL AfxActivateMainWindow() {
  QWidget* main = AfxGetMainWindowWidget();
  if (main && !main->isVisible()) main = nullptr;
  // What lies in front of the main window, from the bottom up: the running dialogs (the editor, the About box),
  // then a message box or file chooser. They go to the front after it, and the topmost one takes the focus:
  // the main window is disabled while any of them runs.
  std::vector<QWidget*> front = CDialog::GetRunningDialogWindows();
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && std::find(front.begin(), front.end(), modal) == front.end()) front.push_back(modal);
  std::erase_if(front, [](const QWidget* window) { return !window->isVisible(); });
  // Before the main window exists only a start-up message can be shown.
  if (!main && front.empty()) return FALSE;
  if (main) BringToFront(main);
  for (QWidget* window : front) BringToFront(window);
  (front.empty() ? main : front.back())->activateWindow();
  return TRUE;
}

// ---- message box and open-file prompt -------------------------------------------------------------------

namespace {

// A message box no wider than the main window (the handheld's screen): Qt sizes a box for a desktop screen, so
// that a long file name would stand out of the window or break anywhere. The text may break after each path
// separator (a zero-width space marks where), and the box takes the window's width when it would be wider.
class FittingMessageBox : public QMessageBox {
 public:
  FittingMessageBox(Icon icon, const QString& title, const QString& text, QWidget* parent)
      : QMessageBox(icon, title, BreakablePaths(text), NoButton, parent),
        m_maxWidth(parent && parent == AfxGetMainWindowWidget() ? parent->width() : 0) {}

 protected:
  bool event(QEvent* event) override {
    const bool handled = QMessageBox::event(event);
    // Qt fixes the box's size when it is shown and at each layout request: narrow it afterwards.
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show) FitWidth();
    return handled;
  }

 private:
  void FitWidth() {
    if (m_maxWidth <= 0 || width() <= m_maxWidth || !layout()) return;
    if (auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) label->setWordWrap(true);
    QLayout* grid = layout();
    const int height = grid->hasHeightForWidth() ? grid->totalHeightForWidth(m_maxWidth) : this->height();
    setFixedSize(m_maxWidth, std::max(height, grid->totalMinimumSize().height()));
  }

  int m_maxWidth;
};

}  // namespace

QString BreakablePaths(const QString& text) {
  QString breakable;
  breakable.reserve(text.size() + text.count(u'/'));
  for (qsizetype i = 0; i < text.size(); ++i) {
    breakable += text[i];
    if (text[i] == u'/' && i + 1 < text.size() && !text[i + 1].isSpace()) breakable += QChar(0x200B);
  }
  return breakable;
}

int AfxShowMessageBox(const CString& text, const CString& caption, UINT nType) {
  FittingMessageBox box(IconFor(nType), caption.ToQString(), text.ToQString(), DialogParent());
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
    // A display name that already shows its patterns ("List Files (*.lst)") stays as it is.
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
  const QtSettingsSetAside settingsSetAside;
  QWidget* parent = DialogParent();
  OpenFileDialog dialog(parent, title.ToQString());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // Over the main window and as large, like the program's other dialogs.
  if (parent && parent == AfxGetMainWindowWidget()) dialog.setGeometry(parent->geometry());
  FitFileDialogToTheWindow(dialog);
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
