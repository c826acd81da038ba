// CFrameWnd: the main window. It holds the view area and, at the bottom, the command bar (the handheld's menu
// bar: the "メニュー" drop-down then the toolbar's image buttons). Commands from the menu, the buttons and the
// accelerators are routed view -> document -> frame -> application.
#pragma once

#include "platform/ui/CWnd.h"

class CView;
class CDocument;
class CFrameWnd;

class CCommandBar : public CWnd {
  DECLARE_DYNAMIC(CCommandBar)

 public:
  CCommandBar();
  ~CCommandBar() override;

  BOOL Create(CFrameWnd* parent, DWORD dwStyle, UINT nID);
  // The handheld menu bar from the RCDATA menu-bar resource nID: its text button opens a pop-up of menu nID.
  BOOL InsertMenuBar(UINT nToolBarId, WORD wButton = 0xFFFF);
  BOOL AddAdornments(DWORD dwFlags = 0);
  // Appends the toolbar's image buttons (toolbar resource + bitmap nIDResource), each 7 pixels wider and higher
  // than its image.
  BOOL LoadToolBar(UINT nIDResource);
  DWORD GetBarStyle() const { return m_dwBarStyle; }
  void SetBarStyle(DWORD dwStyle) { m_dwBarStyle = dwStyle; }

  // For tests: the button that sends this command id (null when none), and the text button's menu.
  HWND GetButtonForCommand(UINT nID) const;
  HWND GetMenuButton() const;

  static constexpr int kHeight = 52;

 private:
  DWORD m_dwBarStyle = 0;
  CFrameWnd* m_pFrame = nullptr;
};

class CFrameWnd : public CWnd {
  DECLARE_DYNAMIC(CFrameWnd)

 public:
  CFrameWnd();
  ~CFrameWnd() override;

  // Creates the window: PreCreateWindow, the widget, WM_CREATE (OnCreate), accelerators nIDResource.
  virtual BOOL LoadFrame(UINT nIDResource);
  CView* GetActiveView() const { return m_pActiveView; }
  void SetActiveView(CView* view) { m_pActiveView = view; }
  CDocument* GetActiveDocument() const;
  // The widget the view lives in (the area above the command bar).
  HWND GetViewArea() const;
  // Window title from the document and the program: "<document title> - Tarvelquist".
  virtual void OnUpdateFrameTitle(BOOL bAddToTitle);

  // Routes view -> document -> frame -> application.
  BOOL OnCmdMsg(UINT nID, int nCode) override;
  BOOL OnCommand(UINT nID, UINT nCode) override;
  BOOL DestroyWindow() override;

  // The command bar placed at the bottom (set by the frame's OnCreate through m_commandBar's Create).
  void AttachCommandBar(CCommandBar* bar);

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);  // base: 0
  // Closing: save a modified document without asking; stay open when that fails.
  virtual void OnClose();

  CView* m_pActiveView = nullptr;
  CCommandBar* m_pCommandBar = nullptr;
  UINT m_nIDResource = 0;

  DECLARE_MESSAGE_MAP()
};
