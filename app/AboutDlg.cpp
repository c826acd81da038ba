// The About box's one behaviour of its own: every size change lays the controls out again from template 100.
#include "app/AboutDlg.h"

#include "platform/core/Resource.h"
#include "platform/ui/RelayoutFromTemplate.h"

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
  ON_WM_SIZE()
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD) {}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  return TRUE;
}

void CAboutDlg::OnSize(UINT, int, int) {
  // The same relayout serves both orientations; the screen's size is not needed for it. The base dialog's
  // size handling is left out on purpose.
  RelayoutFromTemplate(AfxGetResourceHandle(), this, IDD);
}
