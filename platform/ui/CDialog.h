// CDialog: a modal dialog built from its template. DoModal runs a nested loop while the main window is
// disabled. Dialogs are shown full screen over the main window's area with a caption strip at the top holding
// the title and the handheld's "OK" (which confirms like the default OK). Enter presses the default button
// unless the focus is in a multi-line edit that wants Return; Esc and closing cancel.
#pragma once

#include <functional>

#include "platform/ui/CWnd.h"

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  virtual INT_PTR DoModal();
  void EndDialog(int nResult);
  UINT GetTemplateId() const { return m_nIDTemplate; }

  // Test seam: called with the dialog once it is shown inside DoModal's loop (the hook drives the real widgets
  // and ends the dialog, or returns and lets the loop run). Returns the previous hook.
  using ModalHook = std::function<void(CDialog& dialog)>;
  static ModalHook SetModalHook(ModalHook hook);

 protected:
  virtual BOOL OnInitDialog();  // builds nothing itself: writes the members into the controls (UpdateData(FALSE))
  virtual void OnOK();          // UpdateData(TRUE), then EndDialog(IDOK)
  virtual void OnCancel();      // EndDialog(IDCANCEL)

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  int m_nModalResult = -1;

  DECLARE_MESSAGE_MAP()
};
