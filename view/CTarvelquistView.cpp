#include "view/CTarvelquistView.h"

#include <algorithm>
#include <array>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
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

// A list narrower than the three fixed columns leaves no rest: the memo column then shrinks to nothing
// rather than taking a negative width.
int MemoColumnWidth(const RECT& listClient) { return std::max(0, static_cast<int>(listClient.right) - kFixedColumnsWidth); }

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
  m_taskList.SetItemCount(count);
  // The rows take their texts from the tasks themselves; workTask is then left holding the last task, as a
  // fill through it would.
  for (int i = 0; i < count; ++i) InsertRowFrom(document->TaskAt(i), i);
  if (count > 0) document->SelectTask(count - 1);
}

void CTarvelquistView::InsertTaskRow(int index) { InsertRowFrom(GetDocument()->workTask, index); }

void CTarvelquistView::RebuildRow(int index) {
  m_taskList.DeleteItem(index);
  InsertRowFrom(GetDocument()->TaskAt(index), index);
}

void CTarvelquistView::InsertRowFrom(const TaskItem& task, int index) {
  m_taskList.InsertItem(index, tasktext::SubjectColumnText(task.subject));
  m_taskList.SetItemText(index, 1, tasktext::DueColumnText(task.dueDate));
  m_taskList.SetItemText(index, 2, task.priority);
  m_taskList.SetItemText(index, 3, task.memo);
}

// --- commands ---

int CTarvelquistView::GetSelectedRow() {
  const int row = m_taskList.GetNextItem(-1, LVNI_SELECTED);
  return row >= 0 ? row : m_taskList.GetItemCount();
}

void CTarvelquistView::EditSelectedTask() {
  const int row = GetSelectedRow();
  if (!TaskCommands::IsTaskRow(row, m_taskList.GetItemCount())) return;

  CTarvelquistIns dialog;
  TaskCommands commands(*GetDocument());
  commands.BeginEdit(row, dialog);
  const bool confirmed = dialog.DoModal() == IDOK;
  // Cancelled or not, the task is stored back (a cancel stores the unchanged copy) and its row rebuilt.
  commands.EndEdit(row, dialog, confirmed);
  RebuildRow(row);
}

void CTarvelquistView::InsertNewTask() {
  CTarvelquistIns dialog;
  const int row = GetSelectedRow();
  const int count = m_taskList.GetItemCount();
  taskeditor::StartNewTask(dialog);
  if (dialog.DoModal() != IDOK) return;

  const int position = TaskCommands::InsertPosition(row, count);
  TaskCommands(*GetDocument()).InsertNew(position, dialog);
  InsertTaskRow(position);
}

void CTarvelquistView::OnTaskEdit() { EditSelectedTask(); }

void CTarvelquistView::OnTaskInsert() { InsertNewTask(); }

void CTarvelquistView::OnTaskDelete() {
  const int row = GetSelectedRow();
  if (!TaskCommands::IsTaskRow(row, m_taskList.GetItemCount())) return;
  TaskCommands(*GetDocument()).Delete(row);
  m_taskList.DeleteItem(row);
}

void CTarvelquistView::SwapTasks(int first, int second) {
  TaskCommands(*GetDocument()).Swap(first, second);
  RebuildRow(second);
  RebuildRow(first);
}

void CTarvelquistView::MoveSelectedTask(TaskMove move) {
  const int row = GetSelectedRow();
  const int partner = TaskCommands::MovePartner(move, row, m_taskList.GetItemCount());
  if (partner >= 0) SwapTasks(row, partner);
}

void CTarvelquistView::OnTaskMoveDown() { MoveSelectedTask(TaskMove::down); }

void CTarvelquistView::OnTaskMoveUp() { MoveSelectedTask(TaskMove::up); }

void CTarvelquistView::OnListDblClk(NMHDR* /*pNMHDR*/, LRESULT* pResult) {
  // Only the selection decides, not the row under the tap.
  if (TaskCommands::IsTaskRow(GetSelectedRow(), m_taskList.GetItemCount())) {
    EditSelectedTask();
  } else {
    InsertNewTask();
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
    if (result.touched[static_cast<std::size_t>(row)]) RebuildRow(row);
  }
  *pResult = 0;
}
