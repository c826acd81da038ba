// CFrameWnd: the main window. It holds the view area and, at the bottom, the command bar (the handheld's menu
// bar: the menu's drop-down button then the toolbar's image buttons). Commands from the menu, the buttons and the
// accelerators are routed view -> document -> frame -> application.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/CWnd.h"

class CView;
class CDocument;
class CFrameWnd;
class QMenu;
class QShortcut;
class QToolButton;

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
  // The pop-up the text button opens (null before InsertMenuBar).
  QMenu* GetMenu() const;

  static constexpr int kHeight = 52;
  // A toolbar button is this much wider and higher than its image.
  static constexpr int kButtonMargin = 7;

 private:
  void AddButton(QWidget* button);

  DWORD m_dwBarStyle = 0;
  CFrameWnd* m_pFrame = nullptr;
  WORD m_menuId = 0;  // the menu of the menu bar, once inserted
  QPointer<QToolButton> m_menuButton;
  std::vector<std::pair<UINT, QPointer<QToolButton>>> m_imageButtons;
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
  CCommandBar* GetCommandBar() const { return m_pCommandBar; }
  // Window title from the document and the program: "<document title> - <window title of the template>".
  virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
  // Places the view area above the command bar and the active view over the whole view area.
  void RecalcLayout();

  // Routes view -> document -> frame -> application.
  BOOL OnCmdMsg(UINT nID, int nCode) override;
  BOOL OnCommand(UINT nID, UINT nCode) override;
  BOOL DestroyWindow() override;

  // A command from the menu, a toolbar button or an accelerator: routed, then the title brought up to date
  // (New, Open and Save change the document's name).
  void ExecuteCommand(UINT nID);

  // The command bar placed at the bottom (set by the frame's OnCreate through m_commandBar's Create).
  void AttachCommandBar(CCommandBar* bar);

  // Test seam: sees every command id that ExecuteCommand routes, before routing. Returns the previous probe.
  using CommandProbe = std::function<void(UINT nID)>;
  static CommandProbe SetCommandProbe(CommandProbe probe);

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
  CCommandBar* m_pCommandBar = nullptr;
  UINT m_nIDResource = 0;
  CString m_strTitle;  // the program's part of the window title
  QPointer<QWidget> m_viewArea;
  std::vector<std::unique_ptr<QShortcut>> m_accelerators;
  // Expires with the frame: a command that ends up destroying its frame is noticed after it returns.
  std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);

  DECLARE_MESSAGE_MAP()
};
