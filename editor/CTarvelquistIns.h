// CTarvelquistIns: the task editor. The edit and insert flows of the task list put a task's values into the
// public members, run the dialog and, on IDOK, take the members back. The dialog never touches the document.
#pragma once

#include "platform/core/COleDateTime.h"
#include "platform/core/CString.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/Controls.h"
#include "res/resource.h"

class CTarvelquistIns : public CDialog {
 public:
  explicit CTarvelquistIns(CWnd* pParent = nullptr);

  enum { IDD = IDD_TARVELQUIST_INS };

  // The exchange with the caller. No due date leaves the dialog only as 1 January 2100 00:00:00 in m_dueDate;
  // m_noDueDate sets the initial state of the "期限なし" box and is not read back by callers.
  COleDateTime m_dueDate;   // now (whole seconds, valid) after construction
  CString m_subject;
  CString m_memo;
  int m_priorityLetter;     // 1 "Ａ", 2 "Ｂ", 3 "Ｃ", 4 "P"
  int m_priorityDigit;      // 0 to 9
  BOOL m_noDueDate;

  // Controls, bound by the first data exchange.
  CEdit m_memoEdit;
  CButton m_okButton;
  CButton m_cancelButton;
  CDateTimeCtrl m_dueDateCtrl;

  // The date that stands for "no due date".
  static COleDateTime NoDueDate() { return COleDateTime(2100, 1, 1, 0, 0, 0); }

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  // Check one button of a row (values without a button check the row's first button), then write.
  void CheckLetterButton(int letter);
  void CheckDigitButton(int digit);
  // Read, then the value of the first checked button of the row; 1 when none is checked.
  int GetCheckedLetter();
  int GetCheckedDigit();

  void OnMemoChanged();
  void OnSize(UINT nType, int cx, int cy);
  void OnPriorityLetterClicked();
  void OnPriorityDigitClicked();
  void OnNoDueDateClicked();

  DECLARE_MESSAGE_MAP()
};
