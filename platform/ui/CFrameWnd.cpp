// The main frame: its window, the layout of the view area over the command bar, accelerators, command routing,
// the title and closing.
#include "platform/ui/CFrameWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QResizeEvent>
#include <QShortcut>
#include <QWidget>

#include "platform/core/CDocTemplate.h"
#include "platform/core/CDocument.h"
#include "platform/core/CWinApp.h"
#include "platform/core/Resource.h"
#include "platform/core/ResourceFormats.h"
#include "platform/ui/AfxMessageLoop.h"
#include "platform/ui/CFrameWndTestHooks.h"
#include "platform/ui/CView.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/DibImage.h"
#include "platform/ui/VirtualKeys.h"

namespace {

testhooks::CommandProbe g_probe;

// The top-level widget of a frame: reports resizes (layout) and the window's close to its frame.
class FrameWidget final : public QWidget {
 public:
  explicit FrameWidget(CFrameWnd* owner) : m_owner(owner) {}
  void Release() { m_owner = nullptr; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (m_owner) m_owner->RecalcLayout();
  }
  void closeEvent(QCloseEvent* event) override {
    // The frame decides: it saves first and destroys the window itself when it may close.
    event->ignore();
    if (m_owner) m_owner->OnClose();
  }

 private:
  CFrameWnd* m_owner;
};

QKeySequence SequenceFor(const platform::Accelerator& accelerator) {
  int key = 0;
  if (accelerator.fVirt & platform::FVIRTKEY) {
    key = platform::QtKeyForVirtualKey(accelerator.key);
  } else if (accelerator.key >= 0x20 && accelerator.key < 0x7F) {
    key = QChar(accelerator.key).toUpper().unicode();
  }
  if (key == 0) return {};
  int modifiers = 0;
  if (accelerator.fVirt & platform::FCONTROL) modifiers |= Qt::ControlModifier;
  if (accelerator.fVirt & platform::FSHIFT) modifiers |= Qt::ShiftModifier;
  if (accelerator.fVirt & platform::FALT) modifiers |= Qt::AltModifier;
  return QKeySequence(key | modifiers);
}

}  // namespace

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_CREATE()
END_MESSAGE_MAP()

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() {
  if (m_hWnd) CFrameWnd::DestroyWindow();
}

testhooks::CommandProbe testhooks::SetCommandProbe(CommandProbe probe) {
  CommandProbe previous = std::move(g_probe);
  g_probe = std::move(probe);
  return previous;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource) {
  if (m_hWnd) return FALSE;
  m_nIDResource = nIDResource;
  // The program's part of the title: the first field of the template string.
  const CString strings = AfxLoadString(nIDResource);
  const int newline = strings.Find(u'\n');
  m_strTitle = newline < 0 ? strings : strings.Left(newline);

  CREATESTRUCT cs;
  cs.cx = kInitialViewWidth;
  cs.cy = kInitialViewHeight + CCommandBar::kHeight;
  cs.style = static_cast<LONG>(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN);
  cs.lpszName = m_strTitle.GetString();
  if (!PreCreateWindow(cs)) return FALSE;

  auto* widget = new FrameWidget(this);
  widget->setWindowTitle(m_strTitle.ToQString());
  widget->resize(cs.cx, cs.cy);
  if (const QIcon icon = AfxLoadIcon(AfxGetResourceHandle(), ResId(static_cast<WORD>(nIDResource))); !icon.isNull()) {
    widget->setWindowIcon(icon);
  }
  m_viewArea = new QWidget(widget);
  m_viewArea->setObjectName(QStringLiteral("ViewArea"));
  SubclassWidget(widget);

  AFX_MSG_ARGS args;
  args.message = WM_CREATE;
  args.lpCreate = &cs;
  if (OnWndMsg(args) && args.lResult == -1) {
    CFrameWnd::DestroyWindow();
    return FALSE;
  }
  LoadAccelTable(nIDResource);
  RecalcLayout();
  return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT) { return 0; }

BOOL CFrameWnd::LoadAccelTable(UINT nIDResource) {
  QWidget* widget = m_hWnd.data();
  const auto data = AfxFindResource(RT_ACCELERATOR, static_cast<WORD>(nIDResource));
  if (!widget || !data) return FALSE;
  const auto table = platform::ParseAcceleratorTable(*data);
  if (!table) return FALSE;
  for (const platform::Accelerator& accelerator : *table) {
    const QKeySequence sequence = SequenceFor(accelerator);
    if (sequence.isEmpty()) continue;
    auto shortcut = std::make_unique<QShortcut>(sequence, widget);
    shortcut->setContext(Qt::WindowShortcut);
    const UINT command = accelerator.cmd;
    QObject::connect(shortcut.get(), &QShortcut::activated, widget, [this, widget, command] {
      // While a modal dialog runs, the main window's accelerators are not translated.
      if (!widget->isEnabled() || QApplication::activeModalWidget()) return;
      ExecuteCommand(command);
    });
    m_accelerators.push_back(std::move(shortcut));
  }
  // F10 opens the menu bar, as on the desktop.
  auto menuKey = std::make_unique<QShortcut>(QKeySequence(Qt::Key_F10), widget);
  menuKey->setContext(Qt::WindowShortcut);
  QObject::connect(menuKey.get(), &QShortcut::activated, widget, [this, widget] {
    if (!widget->isEnabled() || QApplication::activeModalWidget()) return;
    if (CCommandBar* bar = GetCommandBar()) bar->OpenMenu();
  });
  m_accelerators.push_back(std::move(menuKey));
  return TRUE;
}

CCommandBar* CFrameWnd::GetCommandBar() const {
  const QWidget* widget = m_hWnd.data();
  if (!widget) return nullptr;
  for (QObject* child : widget->children()) {
    auto* childWidget = qobject_cast<QWidget*>(child);
    if (auto* bar = dynamic_cast<CCommandBar*>(CWnd::FromHandlePermanent(childWidget))) return bar;
  }
  return nullptr;
}

CDocument* CFrameWnd::GetActiveDocument() const {
  return m_pActiveView ? m_pActiveView->GetDocument() : nullptr;
}

HWND CFrameWnd::GetViewArea() const { return m_viewArea.data(); }

void CFrameWnd::RecalcLayout() {
  QWidget* widget = m_hWnd.data();
  if (!widget) return;
  const CCommandBar* commandBar = GetCommandBar();
  QWidget* bar = commandBar ? commandBar->GetSafeHwnd() : nullptr;
  const int barHeight = bar ? CCommandBar::kHeight : 0;
  const int width = widget->width();
  const int viewHeight = std::max(0, widget->height() - barHeight);
  if (m_viewArea) m_viewArea->setGeometry(0, 0, width, viewHeight);
  if (bar) bar->setGeometry(0, viewHeight, width, barHeight);
  if (QWidget* view = m_pActiveView ? m_pActiveView->GetSafeHwnd() : nullptr) {
    view->setGeometry(0, 0, width, viewHeight);
  }
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  QWidget* widget = m_hWnd.data();
  if (!widget) return;
  CString title = m_strTitle;
  if (const CDocument* document = GetActiveDocument(); bAddToTitle && document && !document->GetTitle().IsEmpty()) {
    title = document->GetTitle() + CString(u" - ") + m_strTitle;
  }
  widget->setWindowTitle(title.ToQString());
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode) {
  if (CView* view = GetActiveView(); view && view->OnCmdMsg(nID, nCode)) return TRUE;
  if (CDocument* document = GetActiveDocument(); document && document->OnCmdMsg(nID, nCode)) return TRUE;
  if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
  if (CWinApp* app = AfxGetApp(); app && app->OnCmdMsg(nID, nCode)) return TRUE;
  return FALSE;
}

BOOL CFrameWnd::OnCommand(UINT nID, UINT nCode) {
  if (g_probe) g_probe(nID);
  const std::weak_ptr<int> alive = m_lifetime;
  const BOOL handled = OnCmdMsg(nID, static_cast<int>(nCode));
  if (!alive.expired()) OnUpdateFrameTitle(TRUE);
  return handled;
}

void CFrameWnd::ExecuteCommand(UINT nID) { OnCommand(nID, CN_COMMAND); }

void CFrameWnd::OnClose() {
  // The handheld saves a modified document without asking; when that fails the window stays.
  if (CDocument* document = GetActiveDocument(); document && !document->SaveModified()) return;
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    if (!GetActiveDocument() && !app->SaveAllModified()) return;
    // Closing the documents destroys this frame too (the template owns it): nothing of it is used after.
    if (CDocTemplate* docTemplate = app->GetDocTemplate()) {
      docTemplate->CloseAllDocuments(FALSE);
      if (app->m_pMainWnd == nullptr) return;
    }
  }
  CFrameWnd::DestroyWindow();
}

BOOL CFrameWnd::DestroyWindow() {
  QWidget* widget = m_hWnd.data();
  if (!widget) return FALSE;
  CWinApp* app = AfxGetApp();
  const bool wasMainWindow = app && app->m_pMainWnd == this;
  if (wasMainWindow) app->m_pMainWnd = nullptr;
  m_accelerators.clear();
  if (auto* frameWidget = dynamic_cast<FrameWidget*>(widget)) frameWidget->Release();
  Detach();
  // The frame may be destroyed from inside its own widget's close handling: the widget goes once control is
  // back in the loop.
  widget->hide();
  widget->deleteLater();
  if (wasMainWindow) AfxPostQuitMessage(0);
  return TRUE;
}
