// CCommandBar: the handheld's menu bar at the bottom of a frame. The menu-bar resource gives its text button,
// which opens a pop-up of the menu resource; the toolbar resource and its bitmap give the image buttons. Every
// command of its menu and buttons goes to the window it was created in, as WM_COMMAND (OnCommand); that window
// finds the bar among its children to lay it out (CFrameWnd::RecalcLayout).
#pragma once

#include <utility>
#include <vector>

#include <QPointer>

#include "platform/ui/CWnd.h"

class QMenu;
class QToolButton;

class CCommandBar : public CWnd {
  DECLARE_DYNAMIC(CCommandBar)

 public:
  CCommandBar();
  ~CCommandBar() override;

  BOOL Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID);
  // The handheld menu bar from the RCDATA menu-bar resource nID: its text button opens a pop-up of menu nID.
  BOOL InsertMenuBar(UINT nToolBarId, WORD wButton = 0xFFFF);
  BOOL AddAdornments(DWORD dwFlags = 0);
  // Appends the toolbar's image buttons (toolbar resource + bitmap nIDResource), each 7 pixels wider and higher
  // than its image.
  BOOL LoadToolBar(UINT nIDResource);
  // Opens the text button's menu from the keyboard, its first item active, so that the arrow keys walk it.
  void OpenMenu();
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
  CWnd* m_pParentWnd = nullptr;  // where the commands go
  WORD m_menuId = 0;  // the menu of the menu bar, once inserted
  QPointer<QToolButton> m_menuButton;
  std::vector<std::pair<UINT, QPointer<QToolButton>>> m_imageButtons;
};
