// CWnd: the framework's window object over a Qt widget. A CWnd is a thin handle: the state a control shows
// lives in its widget, so a member control attached by DDX_Control and a wrapper returned by GetDlgItem see
// the same thing. Window messages (WM_SIZE, WM_COMMAND codes from child controls, WM_NOTIFY) reach the owning
// window's message map.
#pragma once

#include <map>
#include <memory>

#include <QPointer>
#include <QWidget>

#include "platform/core/CCmdTarget.h"
#include "platform/core/CString.h"
#include "platform/core/WinStyles.h"
#include "platform/core/WinTypes.h"

class QWidget;
class CWnd;
class CDataExchange;

using HWND = QWidget*;

struct CRect : RECT {
  CRect() = default;
  CRect(LONG l, LONG t, LONG r, LONG b) : RECT{l, t, r, b} {}
  LONG Width() const { return right - left; }
  LONG Height() const { return bottom - top; }
};

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_SHOWNORMAL = 1;

class CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)

 public:
  CWnd();
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd.data(); }
  // Binds this object to a widget (not owned: widgets are owned by their Qt parents or by the window object
  // that created them). FALSE when already attached.
  BOOL Attach(HWND widget);
  HWND Detach();
  // The CWnd that owns the widget's messages (the dialog, view or frame created on it), or null.
  static CWnd* FromHandlePermanent(HWND widget);

  // Geometry in pixels. Client coordinates of a child are relative to its parent's client area.
  void MoveWindow(int x, int y, int width, int height, BOOL bRepaint = TRUE);
  void MoveWindow(const RECT& rect, BOOL bRepaint = TRUE);
  void GetClientRect(RECT* rect) const;   // origin 0, 0
  void GetWindowRect(RECT* rect) const;   // screen coordinates, frame included
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  void UpdateWindow();
  void Invalidate(BOOL bErase = TRUE);
  void SetWindowText(const CString& text);
  CString GetWindowText() const;
  void SetFocus();
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;

  // The widget that child windows made in this window go into: the window's own, or for a frame the area
  // above its command bar.
  virtual HWND GetChildArea() const { return m_hWnd.data(); }

  // A handle for the child control with this id, of the kind its class registered (CButton, CListCtrl, ...;
  // owned by this window, stable for the window's life); null when there is none.
  CWnd* GetDlgItem(int id) const;
  HWND GetDlgItemHandle(int id) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;

  // Data exchange between the window's controls and the members (DoDataExchange).
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* pDX) {}

  // Dialog units of this window's template font to pixels (MapDialogRect).
  BOOL MapDialogRect(RECT* rect) const;

  virtual BOOL PreCreateWindow(CREATESTRUCT& cs) { return TRUE; }
  virtual BOOL DestroyWindow();

  // Message entry points: dispatch through the message map.
  virtual BOOL OnWndMsg(AFX_MSG_ARGS& args);
  // A child control's command (BN_CLICKED, EN_CHANGE, ...) or a menu/toolbar/accelerator command.
  virtual BOOL OnCommand(UINT nID, UINT nCode);
  // A child control's notification; *pResult is the handler's result.
  virtual BOOL OnNotify(NMHDR* pNMHDR, LRESULT* pResult);
  // Sends WM_SIZE with the current client size.
  void SendSizeMessage(UINT nType = SIZE_RESTORED);

 protected:
  // WM_SIZE base handler: nothing of its own.
  void OnSize(UINT nType, int cx, int cy) {}
  // Makes this object the permanent owner of the widget's messages (resize -> WM_SIZE, ...).
  void SubclassWidget(HWND widget);
  // The top widget this object created (deleted by DestroyWindow and with the object); may differ from
  // m_hWnd (a dialog's frame around its client area).
  void SetOwnedWidget(QWidget* widget) { m_ownedWidget = widget; }
  QWidget* GetOwnedWidget() const { return m_ownedWidget.data(); }

  QPointer<QWidget> m_hWnd;
  // Dialog base units of the template font (pixels per 4 horizontal / 8 vertical dialog units).
  int m_baseUnitX = 0;
  int m_baseUnitY = 0;

  friend class CDialogTemplateBuilder;
  mutable std::map<int, std::unique_ptr<CWnd>> m_controlWrappers;

 private:
  friend class CWndEventFilter;
  void RemoveEventFilter();

  QPointer<QWidget> m_ownedWidget;
  QPointer<QObject> m_eventFilter;
  // The size last reported by WM_SIZE: a resize event that repeats it (a hidden widget's pending resize
  // delivered at show) is not reported again.
  int m_lastSizeCx = -1;
  int m_lastSizeCy = -1;

  DECLARE_MESSAGE_MAP()
};

// Data exchange context (UpdateData).
class CDataExchange {
 public:
  CDataExchange(CWnd* dlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(dlgWnd) {}
  BOOL m_bSaveAndValidate;  // TRUE: controls -> members
  CWnd* m_pDlgWnd;
  HWND PrepareCtrl(int nIDC);  // the control's widget; throws when the control does not exist
};

// DDX routines of any control (the date picker's is CDateTimeCtrl's).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);  // attaches once
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);

// The window whose message map receives a control's commands and notifications: the nearest ancestor that a
// dialog, form view or frame owns. Null when there is none.
CWnd* AfxGetControlOwner(const QWidget* control);
// Sends WM_COMMAND (id, code) / WM_NOTIFY from a control to its owner's message map.
void AfxSendCommandToOwner(QWidget* control, UINT nCode);
LRESULT AfxSendNotifyToOwner(QWidget* control, NMHDR& header);
