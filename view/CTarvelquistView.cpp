// The task list view: the list's layout and rows, the task commands and the column sort on the list.
#include "view/CTarvelquistView.h"

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "doc/TaskSort.h"
#include "doc/TaskText.h"
#include "editor/CTarvelquistIns.h"
#include "res/resource.h"
#include "view/TaskClipboard.h"

namespace {

// Widths of columns 0 to 2; column 3 takes the rest of the list's client width.
constexpr std::array<int, 3> kFixedColumnWidths = {170, 120, 55};
constexpr int kFixedColumnsWidth = std::accumulate(kFixedColumnWidths.begin(), kFixedColumnWidths.end(), 0);
constexpr int kMargin = 5;
constexpr int kBottomMargin = 10;
constexpr int kMemoColumn = 3;
constexpr int kColumnCount = 4;
constexpr DWORD kListExStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
constexpr WORD kInsertKey = 0x2D;  // the virtual key of Insert

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
  ON_COMMAND(ID_EDIT_UNDO, OnEditUndo)
  ON_COMMAND(ID_EDIT_REDO, OnEditRedo)
  ON_COMMAND(ID_EDIT_CUT, OnEditCut)
  ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
  ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
END_MESSAGE_MAP()

CTarvelquistView::CTarvelquistView() : CFormView(IDD_TARVELQUIST_FORM) {}

CTarvelquistView::~CTarvelquistView() = default;

CTarvelquistDoc* CTarvelquistView::GetDocument() const { return static_cast<CTarvelquistDoc*>(m_pDocument); }

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

  m_taskList.SetExtendedStyle(kListExStyle);  // empty mask: every other extended style is cleared
  // The columns are made once. Asked by count rather than by the width of column 0: a user may drag that
  // width to nothing, and the columns must not be made a second time then. The memo column's width is the
  // rest, which the layout gives it.
  if (m_taskList.GetColumnCount() == 0) {
    for (int column = 0; column < kColumnCount; ++column) {
      const int width = column < kMemoColumn ? kFixedColumnWidths[static_cast<std::size_t>(column)] : 0;
      m_taskList.InsertColumn(column, tasktext::ColumnHeader(column), LVCFMT_LEFT, width);
    }
  }
  // The one layout, as a size message of the window's size makes it: the list in its margins, then the memo
  // column's rest (again at every initial update, whatever width a user dragged it to).
  CRect window;
  GetWindowRect(&window);
  OnSize(SIZE_RESTORED, window.Width(), window.Height());

  m_taskList.DeleteAllItems();
  CTarvelquistDoc* document = GetDocument();
  const int count = document->GetTaskCount();
  m_taskList.SetItemCount(count);
  // The rows take their texts from the tasks themselves; workTask is then left holding the last task, as a
  // fill through it would.
  for (int i = 0; i < count; ++i) InsertRowFrom(document->TaskAt(i), i);
  if (count > 0) document->SelectTask(count - 1);
}

void CTarvelquistView::InsertTaskRow(int index) { InsertRowFrom(GetDocument()->GetWorkTask(), index); }

void CTarvelquistView::RebuildRow(int index) {
  m_taskList.DeleteItem(index);
  InsertRowFrom(GetDocument()->TaskAt(index), index);
}

void CTarvelquistView::InsertRowFrom(const TaskItem& task, int index) {
  // The row copies the texts straight from the task: no string is made for it.
  const std::u16string_view texts[] = {tasktext::SubjectColumnView(task.subject),
                                       tasktext::DueColumnTextRef(task.dueDate).view(), task.priority.view(),
                                       task.memo.view()};
  m_taskList.InsertItem(index, texts);
}

// --- commands ---

int CTarvelquistView::GetSelectedRow() {
  const int row = m_taskList.GetNextItem(-1, LVNI_SELECTED);
  return row >= 0 ? row : m_taskList.GetItemCount();
}

CTarvelquistIns& CTarvelquistView::FreshEditor() {
  if (!m_editor) {
    m_editor = std::make_unique<CTarvelquistIns>();
    m_editor->KeepWindowBetweenRuns();
  }
  static_cast<TaskEditorMembers&>(*m_editor) = TaskEditorMembers();
  return *m_editor;
}

void CTarvelquistView::EditSelectedTask() {
  const int row = GetSelectedRow();
  if (!TaskCommands::IsTaskRow(row, m_taskList.GetItemCount())) return;

  CTarvelquistIns& dialog = FreshEditor();
  CTarvelquistDoc* document = GetDocument();
  TaskCommands commands(*document);
  commands.BeginEdit(row, dialog);
  const bool confirmed = dialog.DoModal() == IDOK;
  // The task as it was, for undo; a cancelled edit is no change to undo.
  std::unique_ptr<TaskItem> before = confirmed ? document->CopyTask(document->TaskAt(row)) : nullptr;
  // Cancelled or not, the task is stored back (a cancel stores the unchanged copy) and its row rebuilt.
  commands.EndEdit(row, dialog, confirmed);
  RebuildRow(row);
  if (before) document->History().RecordEdit(row, std::move(before));
}

void CTarvelquistView::InsertNewTask() {
  CTarvelquistIns& dialog = FreshEditor();
  const int row = GetSelectedRow();
  const int count = m_taskList.GetItemCount();
  taskeditor::StartNewTask(dialog);
  if (dialog.DoModal() != IDOK) return;

  const int position = TaskCommands::InsertPosition(row, count);
  TaskCommands(*GetDocument()).InsertNew(position, dialog);
  InsertTaskRow(position);
  GetDocument()->History().RecordInsert({position});
}

void CTarvelquistView::OnTaskEdit() { EditSelectedTask(); }

void CTarvelquistView::OnTaskInsert() { InsertNewTask(); }

void CTarvelquistView::OnTaskDelete() {
  const int row = GetSelectedRow();
  if (!TaskCommands::IsTaskRow(row, m_taskList.GetItemCount())) return;
  CTarvelquistDoc* document = GetDocument();
  // The task leaves the list whole and stays with its undo step.
  std::vector<std::unique_ptr<TaskItem>> removed;
  removed.push_back(document->TakeTask(row));
  m_taskList.DeleteItem(row);
  document->History().RecordRemove({row}, std::move(removed));
}

void CTarvelquistView::SwapTasks(int first, int second) {
  TaskCommands(*GetDocument()).Swap(first, second);
  RebuildRow(second);
  RebuildRow(first);
}

void CTarvelquistView::MoveSelectedTask(TaskMove move) {
  const int row = GetSelectedRow();
  const int partner = TaskCommands::MovePartner(move, row, m_taskList.GetItemCount());
  if (partner < 0) return;
  SwapTasks(row, partner);
  GetDocument()->History().RecordExchange(row, partner);
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
  // Enter edits; Delete and Insert do what the toolbar's buttons do.
  switch (key->wVKey) {
    case VK_RETURN: EditSelectedTask(); break;
    case VK_DELETE: OnTaskDelete(); break;
    case kInsertKey: InsertNewTask(); break;
    default: break;
  }
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
  if (result.anyExchange) document->History().RecordReorder(result.order);
  *pResult = 0;
}

// --- undo and redo ---

void CTarvelquistView::OnEditUndo() {
  if (auto change = GetDocument()->History().Undo(*GetDocument())) ShowChange(*change);
}

void CTarvelquistView::OnEditRedo() {
  if (auto change = GetDocument()->History().Redo(*GetDocument())) ShowChange(*change);
}

void CTarvelquistView::ShowChange(const TaskChange& change) {
  const CTarvelquistDoc* document = GetDocument();
  for (const int row : change.removed) m_taskList.DeleteItem(row);
  for (const int row : change.inserted) InsertRowFrom(document->TaskAt(row), row);
  for (const int row : change.rebuilt) RebuildRow(row);
  SelectRows(change.touched);
}

void CTarvelquistView::SelectRows(const std::vector<int>& rows) {
  m_taskList.SetItemState(-1, 0, LVIS_SELECTED);
  for (const int row : rows) m_taskList.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
  if (!rows.empty()) m_taskList.EnsureVisible(rows.front(), FALSE);
}

// --- cut, copy and paste ---

std::vector<int> CTarvelquistView::GetSelectedRows() {
  std::vector<int> rows;
  const int count = m_taskList.GetItemCount();
  for (int i = 0; i < count; ++i) {
    if (m_taskList.GetItemState(i, LVIS_SELECTED) == LVIS_SELECTED) rows.push_back(i);
  }
  return rows;
}

bool CTarvelquistView::CopySelectedTasks(const std::vector<int>& rows) {
  if (rows.empty()) return false;
  std::vector<const TaskItem*> tasks;
  tasks.reserve(rows.size());
  for (const int row : rows) tasks.push_back(&GetDocument()->TaskAt(row));
  platform::SetClipboardForms(taskclipboard::FormsOf(tasks));
  return true;
}

void CTarvelquistView::OnEditCopy() { CopySelectedTasks(GetSelectedRows()); }

void CTarvelquistView::OnEditCut() {
  const std::vector<int> rows = GetSelectedRows();
  if (!CopySelectedTasks(rows)) return;
  CTarvelquistDoc* document = GetDocument();
  std::vector<std::unique_ptr<TaskItem>> removed = document->TakeTasks(rows);
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) m_taskList.DeleteItem(*row);
  document->History().RecordRemove(rows, std::move(removed));
}

void CTarvelquistView::OnEditPaste() {
  taskclipboard::Pasted pasted = taskclipboard::ReadTasks(&platform::ReadClipboardForm);
  if (pasted.outcome != taskclipboard::Outcome::tasks) return;
  // Where Insert would put one new task, in the clipboard's order.
  const int position = TaskCommands::InsertPosition(GetSelectedRow(), m_taskList.GetItemCount());
  std::vector<int> rows(pasted.tasks.size());
  for (std::size_t k = 0; k < rows.size(); ++k) rows[k] = position + static_cast<int>(k);
  CTarvelquistDoc* document = GetDocument();
  document->PutTasks(rows, std::move(pasted.tasks));
  for (const int row : rows) InsertRowFrom(document->TaskAt(row), row);
  SelectRows(rows);
  document->History().RecordInsert(std::move(rows));
}
