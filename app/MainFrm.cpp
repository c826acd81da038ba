// The frame's creation builds its command bar: the menu bar, the adornments and the toolbar, all or nothing.
#include "app/MainFrm.h"

#include "res/resource.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
  ON_WM_CREATE()
END_MESSAGE_MAP()

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
  // Any part of the command bar that cannot be built fails the frame; the framework then reports that the
  // document could not be created.
  if (!m_commandBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP, AFX_IDW_TOOLBAR) ||
      !m_commandBar.InsertMenuBar(IDR_MAINFRAME) || !m_commandBar.AddAdornments(0) ||
      !m_commandBar.LoadToolBar(IDR_MAINFRAME)) {
    return -1;
  }
  m_commandBar.SetBarStyle(m_commandBar.GetBarStyle() | CBRS_SIZE_FIXED);
  return 0;
}
