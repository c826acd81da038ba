// CFrameWnd: the main window. It holds the view area and, at the bottom, the command bar (the handheld's menu
// bar: the menu's drop-down button then the toolbar's image buttons). Commands from the menu, the buttons and the
// accelerators are routed view -> document -> frame -> application.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/CCommandBar.h"
#include "platform/ui/CWnd.h"

class CView;
class CDocument;
class QShortcut;

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
  HWND GetChildArea() const override { return GetViewArea(); }
  // The command bar made in this frame (the first), or null.
  CCommandBar* GetCommandBar() const;
  // Window title from the document and the program: "<document title> - <window title of the template>".
  virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
  // Places the view area above the command bar and the active view over the whole view area.
  void RecalcLayout();

  // Routes view -> document -> frame -> application.
  BOOL OnCmdMsg(UINT nID, int nCode) override;
  // A command from the menu, a toolbar button or an accelerator: routed, then the title brought up to date
  // (New, Open and Save change the document's name). TRUE when a map handled it.
  BOOL OnCommand(UINT nID, UINT nCode) override;
  BOOL DestroyWindow() override;

  // OnCommand as the menu sends it.
  void ExecuteCommand(UINT nID);


  // The handheld's portrait screen: the view area above the command bar.
  static constexpr int kInitialViewWidth = 480;
  static constexpr int kInitialViewHeight = 536;

  // Closing: save a modified document without asking; stay open when that fails. Public so that the frame's
  // widget can call it.
  virtual void OnClose();

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);  // base: 0
  BOOL LoadAccelTable(UINT nIDResource);

  CView* m_pActiveView = nullptr;
  UINT m_nIDResource = 0;
  CString m_strTitle;  // the program's part of the window title
  QPointer<QWidget> m_viewArea;
  std::vector<std::unique_ptr<QShortcut>> m_accelerators;
  // Expires with the frame: a command that ends up destroying its frame is noticed after it returns.
  std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);

  DECLARE_MESSAGE_MAP()
};
