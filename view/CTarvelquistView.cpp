#include "view/CTarvelquistView.h"

#include <algorithm>
#include <array>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskSort.h"
#include "doc/TaskText.h"
#include "editor/CTarvelquistIns.h"
#include "res/resource.h"

namespace {

// Widths of columns 0 to 2; column 3 takes the rest of the list's client width.
constexpr std::array<int, 3> kFixedColumnWidths = {170, 120, 55};
constexpr int kFixedColumnsWidth = 345;
constexpr int kMargin = 5;
constexpr int kBottomMargin = 10;
constexpr int kMemoColumn = 3;
constexpr int kColumnCount = 4;
constexpr DWORD kListExStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
// Column 0 passes through a buffer of 128 code units: 127 of text and the terminator.
constexpr std::size_t kSubjectBufferSize = 128;

// A list narrower than the three fixed columns leaves no rest: the memo column then shrinks to nothing
// rather than taking a negative width.
int MemoColumnWidth(const RECT& listClient) { return std::max(0, static_cast<int>(listClient.right) - kFixedColumnsWidth); }

// The editor's members after OK go into the exchange task.
void ReadEditor(const CTarvelquistIns& dialog, TaskItem& task) {
  task.subject = dialog.m_subject;
  task.dueDate = dialog.m_dueDate;
  task.priority = tasktext::PriorityFromChoices(dialog.m_priorityLetter, dialog.m_priorityDigit);
  task.memo = dialog.m_memo;
}

}  // namespace

IMPLEMENT_DYNCREATE(CTarvelquistView, CFormView)

BEGIN_MESSAGE_MAP(CTarvelquistView, CFormView)
  ON_NOTIFY(NM_DBLCLK, IDC_TASKLIST, OnListDblClk)
  ON_COMMAND(ID_TASK_EDIT, OnTaskEdit)
  ON_COMMAND(ID_TASK_DELETE, OnTaskDelete)
  ON_COMMAND(ID_TASK_DOWN, OnTaskMoveDown)
  ON_COMMAND(ID_TASK_INSERT, OnTaskInsert)
  ON_COMMAND(ID_TASK_UP, OnTaskMoveUp)
  ON_NOTIFY(LVN_COLUMNCLICK, IDC_TASKLIST, OnListColumnClick)
  ON_WM_SIZE()
  ON_NOTIFY(LVN_KEYDOWN, IDC_TASKLIST, OnListKeyDown)
END_MESSAGE_MAP()

CTarvelquistView::CTarvelquistView() : CFormView(IDD_TARVELQUIST_FORM) {}

CTarvelquistView::~CTarvelquistView() = default;

CTarvelquistDoc* CTarvelquistView::GetDocument() const { return static_cast<CTarvelquistDoc*>(m_pDocument); }

BOOL CTarvelquistView::PreCreateWindow(CREATESTRUCT& cs) { return CView::PreCreateWindow(cs); }

void CTarvelquistView::DoDataExchange(CDataExchange* pDX) {
  CFormView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_TASKLIST, m_taskList);
}

// --- layout and filling ---

void CTarvelquistView::LayoutList() {
  CRect client;
  GetClientRect(&client);
  m_taskList.MoveWindow(kMargin, kMargin, client.Width() - 2 * kMargin, client.Height() - kMargin - kBottomMargin,
                        TRUE);
  CRect listClient;
  m_taskList.GetClientRect(&listClient);
  m_taskList.SetColumnWidth(kMemoColumn, MemoColumnWidth(listClient));
}

void CTarvelquistView::OnSize(UINT nType, int cx, int cy) {
  CFormView::OnSize(nType, cx, cy);
  if (m_taskList.GetSafeHwnd() == nullptr) return;  // before the first initial update
  LayoutList();
}

void CTarvelquistView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();

  CRect window;
  GetWindowRect(&window);
  OnSize(SIZE_RESTORED, window.Width(), window.Height());

  CRect client;
  GetClientRect(&client);
  m_taskList.MoveWindow(kMargin, kMargin, client.Width() - 2 * kMargin, client.Height() - kMargin - kBottomMargin,
                        TRUE);

  m_taskList.SetExtendedStyle(kListExStyle);  // empty mask: every other extended style is cleared

  CRect listClient;
  m_taskList.GetClientRect(&listClient);
  const int memoWidth = MemoColumnWidth(listClient);
  // The columns are made once. Asked by count rather than by the width of column 0: a user may drag that
  // width to nothing, and the columns must not be made a second time then.
  if (m_taskList.GetColumnCount() == 0) {
    for (int column = 0; column < kColumnCount; ++column) {
      const int width = column < kMemoColumn ? kFixedColumnWidths[static_cast<std::size_t>(column)] : memoWidth;
      m_taskList.InsertColumn(column, tasktext::ColumnHeader(column), LVCFMT_LEFT, width);
    }
  }

  m_taskList.DeleteAllItems();
  CTarvelquistDoc* document = GetDocument();
  const int count = document->GetTaskCount();
  for (int i = 0; i < count; ++i) {
    document->SelectTask(i);
    InsertTaskRow(i);
  }
}

void CTarvelquistView::InsertTaskRow(int index) { InsertRowFrom(GetDocument()->workTask, index); }

void CTarvelquistView::InsertRowFrom(const TaskItem& task, int index) {
  // A longer subject shows its first 127 units, cut before a surrogate pair rather than through it.
  const CString subject = tasktext::SubjectColumnText(task.subject);
  std::array<char16_t, kSubjectBufferSize> buffer{};
  const std::size_t length = std::min<std::size_t>(subject.size(), kSubjectBufferSize - 1);
  std::copy_n(subject.GetString(), length, buffer.begin());
  m_taskList.InsertItem(index, CString(buffer.data(), length));

  CString dateText = tasktext::DateText(task.dueDate);
  if (tasktext::IsNoDueDateText(dateText)) dateText = tasktext::NoDueDateLabel();
  m_taskList.SetItemText(index, 1, dateText);
  m_taskList.SetItemText(index, 2, task.priority);
  m_taskList.SetItemText(index, 3, task.memo);
}

// --- commands ---

int CTarvelquistView::GetSelectedRow() {
  const int count = m_taskList.GetItemCount();
  for (int i = 0; i < count; ++i) {
    if (m_taskList.GetItemState(i, LVIS_SELECTED) == LVIS_SELECTED) return i;
  }
  return count;
}

void CTarvelquistView::EditSelectedTask() {
  const int row = GetSelectedRow();
  const int count = m_taskList.GetItemCount();
  if (row < 0 || row >= count) return;

  CTarvelquistIns dialog;
  CTarvelquistDoc* document = GetDocument();
  document->SelectTask(row);
  TaskItem& work = document->workTask;
  dialog.m_subject = work.subject;
  dialog.m_dueDate = work.dueDate;
  dialog.m_noDueDate = tasktext::IsNoDueDateText(tasktext::DateText(work.dueDate)) ? 1 : 0;
  dialog.m_priorityLetter = tasktext::PriorityLetterChoice(work.priority);
  dialog.m_priorityDigit = tasktext::PriorityDigitChoice(work.priority);
  dialog.m_memo = work.memo;

  if (dialog.DoModal() == IDOK) ReadEditor(dialog, work);

  // Cancelled or not, the row is rebuilt and the task stored back (a cancel stores the unchanged copy).
  m_taskList.DeleteItem(row);
  InsertTaskRow(row);
  document->ReplaceTask(row);
}

void CTarvelquistView::InsertNewTask() {
  CTarvelquistIns dialog;
  const int row = GetSelectedRow();
  const int count = m_taskList.GetItemCount();
  SYSTEMTIME now;
  if (!GetLocalTime(&now)) now = SYSTEMTIME{};  // an impossible time: the date comes out invalid
  dialog.m_dueDate = COleDateTime(now);

  if (dialog.DoModal() != IDOK) return;

  CTarvelquistDoc* document = GetDocument();
  ReadEditor(dialog, document->workTask);
  int position = count;  // nothing selected: at the end
  if (count == 0) {
    position = 0;
  } else if (row >= 0 && row <= count - 1) {
    position = row;  // in front of the selected task
  }
  InsertTaskRow(position);
  document->InsertTask(position);
}

void CTarvelquistView::OnTaskEdit() { EditSelectedTask(); }

void CTarvelquistView::OnTaskInsert() { InsertNewTask(); }

void CTarvelquistView::OnTaskDelete() {
  const int row = GetSelectedRow();
  const int count = m_taskList.GetItemCount();
  if (row < 0 || row > count - 1) return;
  m_taskList.DeleteItem(row);
  GetDocument()->RemoveTask(row);
}

void CTarvelquistView::SwapTasks(int first, int second) {
  CTarvelquistDoc* document = GetDocument();
  document->SelectTask(first);
  TaskItem a;
  a.CopyFieldsFrom(document->workTask);
  document->SelectTask(second);
  TaskItem b;
  b.CopyFieldsFrom(document->workTask);

  document->workTask.CopyFieldsFrom(a);
  document->ReplaceTask(second);
  m_taskList.DeleteItem(second);
  InsertTaskRow(second);

  document->workTask.CopyFieldsFrom(b);
  document->ReplaceTask(first);
  m_taskList.DeleteItem(first);
  InsertTaskRow(first);
}

void CTarvelquistView::OnTaskMoveDown() {
  const int row = GetSelectedRow();
  const int count = m_taskList.GetItemCount();
  if (row >= 0 && row < count - 1) SwapTasks(row, row + 1);
}

void CTarvelquistView::OnTaskMoveUp() {
  const int row = GetSelectedRow();
  const int count = m_taskList.GetItemCount();
  if (row > 0 && row < count) SwapTasks(row, row - 1);
}

void CTarvelquistView::OnListDblClk(NMHDR* /*pNMHDR*/, LRESULT* pResult) {
  // Only the selection decides, not the row under the tap.
  const int row = GetSelectedRow();
  const int count = m_taskList.GetItemCount();
  if (row < 0 || row >= count) {
    InsertNewTask();
  } else {
    EditSelectedTask();
  }
  *pResult = 0;
}

void CTarvelquistView::OnListKeyDown(NMHDR* pNMHDR, LRESULT* pResult) {
  const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(pNMHDR);
  if (key->wVKey == VK_RETURN) EditSelectedTask();
  *pResult = 0;
}

// --- sort ---

void CTarvelquistView::OnListColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
  const auto* record = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
  CTarvelquistDoc* document = GetDocument();
  // The exchange sort's outcome, computed without its quadratic walk: the document is reordered, modified when
  // a pair was exchanged, and workTask holds what the walk would have left there.
  const ExchangeSortResult result = SortTasks(*document, record->iSubItem);
  // Each row whose task took part in an exchange is rebuilt once; the others keep their state.
  const int rows = std::min(m_taskList.GetItemCount(), static_cast<int>(result.touched.size()));
  for (int row = 0; row < rows; ++row) {
    if (!result.touched[static_cast<std::size_t>(row)]) continue;
    m_taskList.DeleteItem(row);
    InsertRowFrom(document->TaskAt(row), row);
  }
  *pResult = 0;
}
