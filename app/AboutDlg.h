// CAboutDlg: the About box on template 100. Every size change puts its controls back at their template places.
#pragma once

#include "platform/ui/CDialog.h"
#include "res/resource.h"

class CAboutDlg : public CDialog {
 public:
  enum { IDD = IDD_ABOUTBOX };

  CAboutDlg();

 protected:
  BOOL OnInitDialog() override;
  void OnSize(UINT nType, int cx, int cy);

  DECLARE_MESSAGE_MAP()
};
