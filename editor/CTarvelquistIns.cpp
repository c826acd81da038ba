// The task editor dialog.
#include "editor/CTarvelquistIns.h"

#include <array>
#include <utility>

#include "doc/TaskText.h"

namespace {

// The letter buttons with their values, in the order they are asked.
constexpr std::array<std::pair<int, int>, 4> kLetterButtons{{
    {IDC_PRIORITY_A, 1},
    {IDC_PRIORITY_B, 2},
    {IDC_PRIORITY_C, 3},
    {IDC_PRIORITY_P, 4},
}};

// The digit buttons with their values, in the order they are asked: "０" first, then "１" to "９".
constexpr std::array<std::pair<int, int>, 10> kDigitButtons{{
    {IDC_PRIORITY_0, 0},
    {IDC_PRIORITY_1, 1},
    {IDC_PRIORITY_2, 2},
    {IDC_PRIORITY_3, 3},
    {IDC_PRIORITY_4, 4},
    {IDC_PRIORITY_5, 5},
    {IDC_PRIORITY_6, 6},
    {IDC_PRIORITY_7, 7},
    {IDC_PRIORITY_8, 8},
    {IDC_PRIORITY_9, 9},
}};

// The button of a row for a choice it shows (ShownLetterChoice, ShownDigitChoice: every such choice has one).
template <std::size_t N>
int ButtonFor(const std::array<std::pair<int, int>, N>& row, int shownChoice) {
  for (const auto& [id, value] : row) {
    if (value == shownChoice) return id;
  }
  return row.front().first;  // not reached
}

// Placement of the memo and the two buttons for a client area of W x H (portrait when H > W).
struct EditorLayout {
  RECT memo;
  int okLeft;
  int cancelLeft;
  int buttonTop;
};

EditorLayout LayoutFor(int width, int height, int okWidth, int cancelHeight) {
  const int buttonTop = height - cancelHeight - 15;
  if (height > width) {
    return EditorLayout{RECT{20, 380, width - 20, height - 70}, 60, width - okWidth - 60, buttonTop};
  }
  return EditorLayout{RECT{470, 20, width - 15, height - 70}, 470, 640, buttonTop};
}

}  // namespace

BEGIN_MESSAGE_MAP(CTarvelquistIns, CDialog)
  ON_EN_CHANGE(IDC_MEMO, OnMemoChanged)
  ON_WM_SIZE()
  ON_BN_CLICKED(IDC_PRIORITY_A, OnPriorityLetterClicked)
  ON_BN_CLICKED(IDC_PRIORITY_B, OnPriorityLetterClicked)
  ON_BN_CLICKED(IDC_PRIORITY_C, OnPriorityLetterClicked)
  ON_BN_CLICKED(IDC_PRIORITY_1, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_2, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_3, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_4, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_5, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_6, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_7, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_8, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_9, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_0, OnPriorityDigitClicked)
  ON_BN_CLICKED(IDC_PRIORITY_P, OnPriorityLetterClicked)
  ON_BN_CLICKED(IDC_NODUEDATE, OnNoDueDateClicked)
END_MESSAGE_MAP()

CTarvelquistIns::CTarvelquistIns(CWnd* pParent) : CDialog(IDD, pParent) {}

void CTarvelquistIns::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_DateTimeCtrl(pDX, IDC_DUEDATE, m_dueDate);
  DDX_Text(pDX, IDC_SUBJECT, m_subject);
  DDX_Text(pDX, IDC_MEMO, m_memo);
  DDX_Control(pDX, IDC_MEMO, m_memoEdit);
  DDX_Control(pDX, IDOK, m_okButton);
  DDX_Control(pDX, IDCANCEL, m_cancelButton);
  DDX_Control(pDX, IDC_DUEDATE, m_dueDateCtrl);
  DDX_Check(pDX, IDC_NODUEDATE, m_noDueDate);
}

BOOL CTarvelquistIns::OnInitDialog() {
  CDialog::OnInitDialog();
  UpdateData(TRUE);
  CheckLetterButton(m_priorityLetter);
  CheckDigitButton(m_priorityDigit);
  UpdateData(TRUE);
  m_dueDateCtrl.EnableWindow(taskeditor::ApplyNoDueDateBox(*this) ? TRUE : FALSE);
  UpdateData(FALSE);
  return TRUE;
}

void CTarvelquistIns::CheckLetterButton(int letter) {
  CheckDlgButton(ButtonFor(kLetterButtons, tasktext::ShownLetterChoice(letter)), BST_CHECKED);
  UpdateData(FALSE);
}

void CTarvelquistIns::CheckDigitButton(int digit) {
  CheckDlgButton(ButtonFor(kDigitButtons, tasktext::ShownDigitChoice(digit)), BST_CHECKED);
  UpdateData(FALSE);
}

int CTarvelquistIns::GetCheckedLetter() {
  UpdateData(TRUE);
  for (const auto& [id, value] : kLetterButtons) {
    if (IsDlgButtonChecked(id) == BST_CHECKED) return value;
  }
  return 1;
}

int CTarvelquistIns::GetCheckedDigit() {
  UpdateData(TRUE);
  for (const auto& [id, value] : kDigitButtons) {
    if (IsDlgButtonChecked(id) == BST_CHECKED) return value;
  }
  return 1;
}

void CTarvelquistIns::OnPriorityLetterClicked() {
  m_priorityLetter = GetCheckedLetter();
  UpdateData(FALSE);
}

void CTarvelquistIns::OnPriorityDigitClicked() {
  m_priorityDigit = GetCheckedDigit();
  UpdateData(FALSE);
}

void CTarvelquistIns::OnNoDueDateClicked() {
  UpdateData(TRUE);
  m_dueDateCtrl.EnableWindow(taskeditor::ApplyNoDueDateBox(*this) ? TRUE : FALSE);
  UpdateData(FALSE);
}

void CTarvelquistIns::OnMemoChanged() { UpdateData(TRUE); }

void CTarvelquistIns::OnSize(UINT nType, int cx, int cy) {
  CDialog::OnSize(nType, cx, cy);
  if (!m_memoEdit.GetSafeHwnd()) return;
  CRect client;
  GetClientRect(&client);
  CRect ok;
  CRect cancel;
  m_okButton.GetWindowRect(&ok);
  m_cancelButton.GetWindowRect(&cancel);
  const EditorLayout layout = LayoutFor(client.Width(), client.Height(), ok.Width(), cancel.Height());
  m_memoEdit.MoveWindow(layout.memo, TRUE);
  m_okButton.MoveWindow(layout.okLeft, layout.buttonTop, ok.Width(), ok.Height(), TRUE);
  m_cancelButton.MoveWindow(layout.cancelLeft, layout.buttonTop, cancel.Width(), cancel.Height(), TRUE);
}
