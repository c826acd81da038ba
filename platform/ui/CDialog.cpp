// Modal dialogs, full screen as on the handheld.
#include "platform/ui/CDialog.h"
#include "platform/ui/ModalLoop.h"

#include <algorithm>

#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "platform/core/CWinApp.h"
#include "platform/ui/CDialogTestHooks.h"
#include "platform/ui/DialogBuilder.h"

namespace {

testhooks::ModalHook& Hook() {
  static testhooks::ModalHook hook;
  return hook;
}

// The dialog's top-level window: the caption strip (title and "OK") and below it the client area, where the
// template's controls live. Esc and closing the window cancel through the owner's IDCANCEL command, Enter
// presses the default button (QDialog's own key handling).
class DialogFrame : public QDialog {
 public:
  DialogFrame(CDialog* owner, const QFont& font, const QString& title)
      : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint), m_owner(owner) {
    // Modal to the whole program, as Qt knows it: whatever looks for the running dialog (a close request, a
    // second start raising the program) finds it as the active modal widget.
    setWindowModality(Qt::ApplicationModal);
    setFont(font);
    setWindowTitle(title);
    m_strip = new QWidget(this);
    m_strip->setAutoFillBackground(true);
    QPalette strip = m_strip->palette();
    strip.setColor(QPalette::Window, QColor(0x0A, 0x24, 0x6A));
    strip.setColor(QPalette::WindowText, Qt::white);
    m_strip->setPalette(strip);
    auto* layout = new QHBoxLayout(m_strip);
    layout->setContentsMargins(10, 4, 6, 4);
    m_title = new QLabel(title, m_strip);
    m_title->setTextFormat(Qt::PlainText);
    m_ok = new QPushButton(QStringLiteral("OK"), m_strip);
    m_ok->setFocusPolicy(Qt::NoFocus);
    m_ok->setAutoDefault(false);
    m_ok->setFixedHeight(CDialog::kCaptionHeight - 10);
    layout->addWidget(m_title, 1);
    layout->addWidget(m_ok);
    connect(m_ok, &QPushButton::clicked, this, [this] { m_owner->OnCommand(IDOK, BN_CLICKED); });

    m_client = new QWidget(this);
    m_client->setWindowTitle(title);
    connect(m_client, &QWidget::windowTitleChanged, this, [this](const QString& text) {
      m_title->setText(text);
      setWindowTitle(text);
    });
  }

  QWidget* Client() const { return m_client; }
  QPushButton* CaptionOk() const { return m_ok; }

  // A kept window run again: its title as first given, and no control holding the focus, as when it was built.
  void Reset(const QString& title) {
    m_client->setWindowTitle(title);
    if (QWidget* focus = focusWidget()) focus->clearFocus();
    m_ok->setDown(false);
  }

  // Kept hidden between runs without its native window, as if it had been destroyed: the window system's
  // focus, the activation and a screen reader's list of windows let go of it. Made again when shown.
  void ReleaseNativeWindow() { destroy(); }

  void LayOut() {
    const int strip = std::min(height(), CDialog::kCaptionHeight);
    m_strip->setGeometry(0, 0, width(), strip);
    m_client->setGeometry(0, strip, width(), height() - strip);
  }

  // Takes `area`, and lays out the strip and the client area at once: a hidden window gets its resize
  // event only when shown, and the controls are built into the client area before that.
  void Place(const QRect& area) {
    setGeometry(area);
    LayOut();
  }

  // Covers the window (the main window) now and follows it while the dialog lives.
  void Cover(QWidget* window) {
    if (!window) return;
    Place(window->geometry());
    window->installEventFilter(this);
    m_covered = window;
    // Kept above the main window by the window manager.
    if (window->windowHandle()) {
      winId();
      if (QWindow* handle = windowHandle()) handle->setTransientParent(window->windowHandle());
    }
  }

  void reject() override { m_owner->OnCommand(IDCANCEL, BN_CLICKED); }
  void accept() override { m_owner->OnCommand(IDOK, BN_CLICKED); }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QDialog::resizeEvent(event);
    LayOut();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == m_covered && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
      Place(m_covered->geometry());
    }
    return QDialog::eventFilter(watched, event);
  }

 private:
  CDialog* m_owner;
  QWidget* m_strip = nullptr;
  QLabel* m_title = nullptr;
  QPushButton* m_ok = nullptr;
  QWidget* m_client = nullptr;
  QPointer<QWidget> m_covered;
};

// The windows of the dialogs whose DoModal runs, oldest first (a dialog opened from another lies above it).
std::vector<QPointer<QWidget>>& RunningWindows() {
  static std::vector<QPointer<QWidget>> windows;
  return windows;
}

// Counts a dialog's window among the running ones for as long as it lives.
class RunningWindow {
 public:
  explicit RunningWindow(QWidget* window) : m_window(window) { RunningWindows().emplace_back(window); }
  ~RunningWindow() {
    auto& windows = RunningWindows();
    std::erase_if(windows, [this](const QPointer<QWidget>& window) { return !window || window == m_window; });
  }
  RunningWindow(const RunningWindow&) = delete;
  RunningWindow& operator=(const RunningWindow&) = delete;

 private:
  QWidget* m_window;
};

QWidget* MainWindowWidget() {
  CWinApp* app = AfxGetApp();
  CWnd* main = app ? app->m_pMainWnd : nullptr;
  QWidget* widget = main ? main->GetSafeHwnd() : nullptr;
  return widget ? widget->window() : nullptr;
}

// Whether a dialog covering `mainWindow` hides `window`: the main window itself, or a running dialog's window,
// which covers it too.
bool IsCoveredBy(const QWidget* window, const QWidget* mainWindow) {
  if (!mainWindow) return false;
  if (window == mainWindow) return true;
  const auto& running = RunningWindows();
  return std::any_of(running.begin(), running.end(), [window](const QPointer<QWidget>& w) { return w == window; });
}

QRect DefaultArea() {
  QRect area(0, 0, CDialog::kDefaultWidth, CDialog::kDefaultHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) area.moveCenter(screen->availableGeometry().center());
  return area;
}

// Over the main window, following it; without one, the handheld's screen.
void CoverOrPlace(DialogFrame& frame, QWidget* mainWindow) {
  if (mainWindow) {
    frame.Cover(mainWindow);
  } else {
    frame.Place(DefaultArea());
  }
}

}  // namespace

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() { DestroyWindow(); }

std::vector<QWidget*> CDialog::GetRunningDialogWindows() {
  std::vector<QWidget*> windows;
  for (const QPointer<QWidget>& window : RunningWindows()) {
    if (window) windows.push_back(window);
  }
  return windows;
}

testhooks::ModalHook testhooks::SetModalHook(ModalHook hook) {
  ModalHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

QWidget* CDialog::GetCaptionOkButton() const {
  const auto* frame = dynamic_cast<const DialogFrame*>(GetOwnedWidget());
  return frame ? frame->CaptionOk() : nullptr;
}

bool CDialog::RestoreWindow(const platform::DialogTemplate& dialogTemplate, QWidget* mainWindow) {
  auto* frame = dynamic_cast<DialogFrame*>(GetOwnedWidget());
  if (!frame) return false;
  frame->Reset(QString::fromStdU16String(dialogTemplate.title));
  if (!CDialogTemplateBuilder::Restore(*this, m_templateControls, dialogTemplate)) return false;
  CoverOrPlace(*frame, mainWindow);
  return true;
}

bool CDialog::PrepareWindow(const std::shared_ptr<const platform::DialogTemplate>& dialogTemplate,
                            QWidget* mainWindow) {
  if (GetOwnedWidget()) {
    if (dialogTemplate == m_builtFrom && RestoreWindow(*dialogTemplate, mainWindow)) return true;
    m_templateControls.clear();
    DestroyWindow();
  }
  m_builtFrom = nullptr;
  auto* frame = new DialogFrame(this, CDialogTemplateBuilder::FontOf(*dialogTemplate),
                                QString::fromStdU16String(dialogTemplate->title));
  SetOwnedWidget(frame);
  CoverOrPlace(*frame, mainWindow);
  SubclassWidget(frame->Client());
  auto controls = CDialogTemplateBuilder::Build(*this, frame->Client(), *dialogTemplate);
  if (!controls) {
    DestroyWindow();
    return false;
  }
  m_templateControls = std::move(*controls);
  m_builtFrom = dialogTemplate;
  return true;
}

INT_PTR CDialog::DoModal() {
  if (m_bRunning) return -1;
  const auto dialogTemplate = CDialogTemplateBuilder::Load(m_nIDTemplate);
  if (!dialogTemplate) return -1;

  QWidget* mainWindow = MainWindowWidget();
  if (!PrepareWindow(dialogTemplate, mainWindow)) return -1;
  auto* frame = static_cast<DialogFrame*>(GetOwnedWidget());
  // Running until DoModal returns, whichever way it leaves.
  struct RunningFlag {
    bool& running;
    ~RunningFlag() { running = false; }
  } const runningFlag{m_bRunning = true};
  m_bEnded = false;
  m_nModalResult = -1;

  // The window that starts the dialog takes no input while it runs: the dialog is modal to the whole program.
  // A window the dialog covers (the main window, or a dialog lying over it) is left as it is, since disabling it
  // would only repaint it grey where nobody sees it, and again when the dialog ends; an owner window the dialog
  // does not cover shows that it is disabled.
  CWnd* ownerWnd = m_pParentWnd;
  if (!ownerWnd && AfxGetApp()) ownerWnd = AfxGetApp()->m_pMainWnd;
  QPointer<QWidget> ownerWindow = ownerWnd && ownerWnd->GetSafeHwnd() ? ownerWnd->GetSafeHwnd()->window() : nullptr;
  const bool ownerTakesInput = ownerWindow && !ownerWindow->testAttribute(Qt::WA_ForceDisabled);
  const bool disableOwner = ownerTakesInput && !IsCoveredBy(ownerWindow, mainWindow);
  if (disableOwner) ownerWindow->setEnabled(false);

  const BOOL setFocus = OnInitDialog();
  if (!m_bEnded) {
    const RunningWindow running(frame);
    frame->show();
    frame->raise();
    frame->activateWindow();
    if (setFocus) {
      if (QWidget* first = CDialogTemplateBuilder::FirstTabStop(m_templateControls)) first->setFocus(Qt::TabFocusReason);
    }
    QEventLoop loop;
    m_pModalLoop = &loop;
    if (Hook()) {
      QTimer::singleShot(0, &loop, [this] {
        const testhooks::ModalHook hook = Hook();
        if (!m_bEnded && hook) hook(*this);
      });
    }
    if (!m_bEnded) {
      const CModalLoopScope modal;
      loop.exec(QEventLoop::DialogExec);
    }
    m_pModalLoop = nullptr;
  }

  if (ownerTakesInput && ownerWindow) {
    if (disableOwner) ownerWindow->setEnabled(true);
    ownerWindow->activateWindow();
  }
  if (m_bKeepWindow) {
    frame->hide();
    frame->ReleaseNativeWindow();
  } else {
    m_templateControls.clear();
    DestroyWindow();
  }
  return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  m_bEnded = true;
  if (QWidget* frame = GetOwnedWidget()) frame->hide();
  if (m_pModalLoop) m_pModalLoop->exit(nResult);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  // Full screen: the client area below the caption strip is the dialog's size from now on.
  SendSizeMessage(SIZE_RESTORED);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }
