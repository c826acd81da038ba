// CWnd over Qt widgets: geometry, text, state, child lookup, data exchange and message delivery.
#include "platform/ui/CWnd.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QFrame>
#include <QScrollBar>
#include <QWidget>

#include <unordered_map>

#include "platform/core/Exceptions.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/ControlState.h"
#include "platform/ui/DialogFont.h"

namespace {

// Widgets whose messages a window object owns (dialog client areas, views, frames).
std::unordered_map<const QWidget*, CWnd*>& PermanentMap() {
  static std::unordered_map<const QWidget*, CWnd*> map;
  return map;
}

// A control handle of the kind its class registered, so that the framework's casts of GetDlgItem hold.
std::unique_ptr<CWnd> MakeControlHandle(const QWidget* widget) {
  if (const ControlHandleFactory make = AfxFindControlHandleFactory(AfxGetControlClassName(widget))) return make();
  return std::make_unique<CWnd>();
}

}  // namespace

// Delivers the widget's resizes to its window object as WM_SIZE; removes the object's entry in the permanent
// map when the widget goes away.
class CWndEventFilter : public QObject {
 public:
  CWndEventFilter(CWnd* wnd, QWidget* widget) : QObject(widget), m_wnd(wnd), m_widget(widget) {}
  ~CWndEventFilter() override {
    auto& map = PermanentMap();
    const auto found = map.find(m_widget);
    if (found != map.end() && found->second == m_wnd) map.erase(found);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == m_widget && event->type() == QEvent::Resize) {
      const QSize size = m_widget->size();
      if (size.width() != m_wnd->m_lastSizeCx || size.height() != m_wnd->m_lastSizeCy) {
        m_wnd->SendSizeMessage(SIZE_RESTORED);
      }
    }
    return false;
  }

 private:
  CWnd* m_wnd;
  QWidget* m_widget;
};

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd() {
  RemoveEventFilter();
  m_controlWrappers.clear();
  delete m_ownedWidget.data();
}

BOOL CWnd::Attach(HWND widget) {
  if (m_hWnd || !widget) return FALSE;
  m_hWnd = widget;
  return TRUE;
}

HWND CWnd::Detach() {
  RemoveEventFilter();
  HWND widget = m_hWnd.data();
  m_hWnd = nullptr;
  return widget;
}

CWnd* CWnd::FromHandlePermanent(HWND widget) {
  const auto& map = PermanentMap();
  const auto found = map.find(widget);
  return found == map.end() ? nullptr : found->second;
}

void CWnd::SubclassWidget(HWND widget) {
  RemoveEventFilter();
  m_hWnd = widget;
  if (!widget) return;
  PermanentMap()[widget] = this;
  auto* filter = new CWndEventFilter(this, widget);
  widget->installEventFilter(filter);
  m_eventFilter = filter;
  m_lastSizeCx = -1;
  m_lastSizeCy = -1;
}

void CWnd::RemoveEventFilter() {
  if (m_eventFilter) delete m_eventFilter.data();  // its destructor drops the permanent entry
  m_eventFilter = nullptr;
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL bRepaint) {
  if (!m_hWnd) return;
  m_hWnd->setGeometry(x, y, std::max(0, width), std::max(0, height));
  if (bRepaint) m_hWnd->update();
}

void CWnd::MoveWindow(const RECT& rect, BOOL bRepaint) {
  MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, bRepaint);
}

void CWnd::GetClientRect(RECT* rect) const {
  if (!rect) return;
  *rect = RECT{};
  if (!m_hWnd) return;
  QSize size = m_hWnd->size();
  // Framed controls count their client area inside the frame and without their scroll bars.
  if (const auto* frame = qobject_cast<const QFrame*>(m_hWnd.data())) {
    size = frame->contentsRect().size();
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(frame)) {
      const QScrollBar* vertical = area->verticalScrollBar();
      const QScrollBar* horizontal = area->horizontalScrollBar();
      if (vertical && vertical->isVisibleTo(frame)) size.setWidth(size.width() - vertical->width());
      if (horizontal && horizontal->isVisibleTo(frame)) size.setHeight(size.height() - horizontal->height());
    }
  }
  rect->right = std::max(0, size.width());
  rect->bottom = std::max(0, size.height());
}

void CWnd::GetWindowRect(RECT* rect) const {
  if (!rect) return;
  *rect = RECT{};
  const QWidget* widget = m_ownedWidget ? m_ownedWidget.data() : m_hWnd.data();
  if (!widget) return;
  QRect area;
  if (widget->isWindow()) {
    area = widget->frameGeometry();
  } else {
    area = QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
  }
  *rect = RECT{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
  if (!m_hWnd) return FALSE;
  const BOOL wasDisabled = m_hWnd->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
  m_hWnd->setEnabled(bEnable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
  return m_hWnd && !m_hWnd->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  QWidget* widget = m_ownedWidget ? m_ownedWidget.data() : m_hWnd.data();
  if (!widget) return FALSE;
  const BOOL wasVisible = widget->isHidden() ? FALSE : TRUE;
  widget->setVisible(nCmdShow != SW_HIDE);
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const { return m_hWnd && m_hWnd->isVisible() ? TRUE : FALSE; }

void CWnd::UpdateWindow() {
  if (m_hWnd) m_hWnd->repaint();
}

void CWnd::Invalidate(BOOL) {
  if (m_hWnd) m_hWnd->update();
}

void CWnd::SetWindowText(const CString& text) { AfxSetControlText(m_hWnd.data(), text.ToQString()); }

CString CWnd::GetWindowText() const { return CString::FromQString(AfxGetControlText(m_hWnd.data())); }

void CWnd::SetFocus() {
  if (m_hWnd) m_hWnd->setFocus(Qt::OtherFocusReason);
}

int CWnd::GetDlgCtrlID() const { return AfxGetControlId(m_hWnd.data()); }

CWnd* CWnd::GetParent() const {
  return m_hWnd ? FromHandlePermanent(m_hWnd->parentWidget()) : nullptr;
}

HWND CWnd::GetDlgItemHandle(int id) const {
  if (!m_hWnd) return nullptr;
  // From the top of the stacking order down, as the platform searches: the first template item wins.
  const QObjectList& children = m_hWnd->children();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    auto* widget = qobject_cast<QWidget*>(*it);
    if (widget && !widget->isWindow() && AfxGetControlId(widget) == id) return widget;
  }
  return nullptr;
}

CWnd* CWnd::GetDlgItem(int id) const {
  HWND widget = GetDlgItemHandle(id);
  if (!widget) return nullptr;
  auto& handle = m_controlWrappers[id];
  if (!handle || handle->GetSafeHwnd() != widget) {
    handle = MakeControlHandle(widget);
    handle->Attach(widget);
  }
  return handle.get();
}

void CWnd::CheckDlgButton(int id, UINT check) { AfxSetButtonCheck(GetDlgItemHandle(id), check); }

UINT CWnd::IsDlgButtonChecked(int id) const { return AfxGetButtonCheck(GetDlgItemHandle(id)); }

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const CException&) {
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::MapDialogRect(RECT* rect) const {
  if (!rect) return FALSE;
  DialogBaseUnits units{m_baseUnitX, m_baseUnitY};
  if (units.cx <= 0 || units.cy <= 0) units = AfxGetDialogBaseUnits();
  rect->left = AfxMulDiv(rect->left, units.cx, 4);
  rect->right = AfxMulDiv(rect->right, units.cx, 4);
  rect->top = AfxMulDiv(rect->top, units.cy, 8);
  rect->bottom = AfxMulDiv(rect->bottom, units.cy, 8);
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  QWidget* top = m_ownedWidget ? m_ownedWidget.data() : m_hWnd.data();
  if (!top) return FALSE;
  Detach();
  m_controlWrappers.clear();
  m_ownedWidget = nullptr;
  delete top;
  return TRUE;
}

BOOL CWnd::OnWndMsg(AFX_MSG_ARGS& args) { return DispatchMsg(args); }

BOOL CWnd::OnCommand(UINT nID, UINT nCode) { return OnCmdMsg(nID, static_cast<int>(nCode)); }

BOOL CWnd::OnNotify(NMHDR* pNMHDR, LRESULT* pResult) {
  if (!pNMHDR) return FALSE;
  AFX_MSG_ARGS args;
  args.message = WM_NOTIFY;
  args.nCode = pNMHDR->code;
  args.nID = static_cast<UINT>(pNMHDR->idFrom);
  args.pNMHDR = pNMHDR;
  args.pResult = pResult;
  return OnWndMsg(args);
}

void CWnd::SendSizeMessage(UINT nType) {
  if (!m_hWnd) return;
  AFX_MSG_ARGS args;
  args.message = WM_SIZE;
  args.nType = nType;
  args.cx = m_hWnd->width();
  args.cy = m_hWnd->height();
  m_lastSizeCx = args.cx;
  m_lastSizeCy = args.cy;
  OnWndMsg(args);
}

// ---- Data exchange ----

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND control = m_pDlgWnd ? m_pDlgWnd->GetDlgItemHandle(nIDC) : nullptr;
  if (!control) throw CException();
  return control;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.GetSafeHwnd()) return;
  rControl.Attach(pDX->PrepareCtrl(nIDC));
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = CString::FromQString(AfxGetControlText(control));
  } else {
    AfxSetControlText(control, value.ToQString());
  }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(AfxGetButtonCheck(control));
  } else {
    AfxSetButtonCheck(control, value == 1 ? BST_CHECKED : BST_UNCHECKED);
  }
}

// ---- Delivery of control messages ----

CWnd* AfxGetControlOwner(const QWidget* control) {
  for (const QWidget* widget = control ? control->parentWidget() : nullptr; widget; widget = widget->parentWidget()) {
    if (CWnd* owner = CWnd::FromHandlePermanent(const_cast<QWidget*>(widget))) return owner;
  }
  return nullptr;
}

void AfxSendCommandToOwner(QWidget* control, UINT nCode) {
  CWnd* owner = AfxGetControlOwner(control);
  if (!owner) return;
  owner->OnCommand(static_cast<UINT>(AfxGetControlId(control)), nCode);
}

LRESULT AfxSendNotifyToOwner(QWidget* control, NMHDR& header) {
  header.hwndFrom = control;
  header.idFrom = static_cast<UINT_PTR>(static_cast<UINT>(AfxGetControlId(control)));
  CWnd* owner = AfxGetControlOwner(control);
  if (!owner) return 0;
  LRESULT result = 0;
  owner->OnNotify(&header, &result);
  return result;
}
