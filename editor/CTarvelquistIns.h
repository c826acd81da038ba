// CTarvelquistIns: the task editor, a view of the editor's model (doc/TaskEditor.h). The edit and insert flows
// of the task list put a task's values into the public members, run the dialog and, on IDOK, take the members
// back. The controls show the members and change them through the model's rules; the dialog never touches the
// document.
#pragma once

#include "doc/TaskEditor.h"
#include "platform/core/COleDateTime.h"
#include "platform/core/CString.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/Controls.h"
#include "res/resource.h"

// The exchanged members (m_dueDate, m_subject, m_memo, m_priorityLetter, m_priorityDigit, m_noDueDate) are
// TaskEditorMembers'. No due date leaves the dialog only as 1 January 2100 00:00:00 in m_dueDate; m_noDueDate
// sets the initial state of the "期限なし" box and is not read back by callers.
class CTarvelquistIns : public CDialog, public TaskEditorMembers {
 public:
  explicit CTarvelquistIns(CWnd* pParent = nullptr);

  enum { IDD = IDD_TARVELQUIST_INS };

  // Controls, bound by the first data exchange.
  CEdit m_memoEdit;
  CButton m_okButton;
  CButton m_cancelButton;
  CDateTimeCtrl m_dueDateCtrl;

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
