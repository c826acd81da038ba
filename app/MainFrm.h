// CMainFrame: the program's main window, with the handheld's menu bar and the toolbar buttons in its command
// bar. The document template creates it.
#pragma once

#include "platform/ui/CFrameWnd.h"

class CMainFrame : public CFrameWnd {
  DECLARE_DYNCREATE(CMainFrame)

 public:
  CMainFrame();
  ~CMainFrame() override;

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);

  CCommandBar m_commandBar;

  DECLARE_MESSAGE_MAP()
};
