// The task list view: a form view (template 134) whose one control, the list 1009, shows row i for task i of
// the document. It lays the list out, fills it at every initial update, and carries the task commands, the
// list's double-click and Enter, and the column sort. The commands themselves are the document's
// (doc/TaskCommands.h, doc/TaskSort.h): the view reads the selection, runs the editor, calls them and rebuilds
// the rows they changed.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/CView.h"
#include "platform/ui/Controls.h"

class CTarvelquistDoc;
class CTarvelquistIns;
class TaskItem;
struct TaskChange;
enum class TaskMove;

class CTarvelquistView : public CFormView {
  DECLARE_DYNCREATE(CTarvelquistView)

 public:
  CTarvelquistView();
  ~CTarvelquistView() override;

  CTarvelquistDoc* GetDocument() const;

  void DoDataExchange(CDataExchange* pDX) override;
  // Lays the list out, sets its style and columns, and fills it from the document. Safe to run again at any
  // time the document has changed behind the list (a failed open empties it).
  void OnInitialUpdate() override;

  // Inserts row index showing the document's workTask.
  void InsertTaskRow(int index);
  // The lowest selected row, or the row count when none is selected.
  int GetSelectedRow();
  void EditSelectedTask();
  void InsertNewTask();
  // Exchanges tasks first and second in the document and rebuilds their rows.
  void SwapTasks(int first, int second);

  CListCtrl m_taskList;

 protected:
  void OnListDblClk(NMHDR* pNMHDR, LRESULT* pResult);
  void OnTaskEdit();
  void OnTaskDelete();
  void OnTaskMoveDown();
  void OnTaskInsert();
  void OnTaskMoveUp();
  void OnListColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnSize(UINT nType, int cx, int cy);
  void OnListKeyDown(NMHDR* pNMHDR, LRESULT* pResult);
  void OnEditUndo();
  void OnEditRedo();
  void OnEditCut();
  void OnEditCopy();
  void OnEditPaste();

 private:
  void LayoutList();
  // The task editor, with the members of a newly made one. One editor serves every edit and insert: it keeps
  // its window between them and starts each from the controls as its template makes them.
  CTarvelquistIns& FreshEditor();
  void InsertRowFrom(const TaskItem& task, int index);
  // Shows task index again: its row is deleted and built anew (unselected), as no row is ever rewritten.
  void RebuildRow(int index);
  void MoveSelectedTask(TaskMove move);
  // Shows an undo or redo: the rows it removed, inserted and rebuilt; the rows it touched become the selection.
  void ShowChange(const TaskChange& change);
  void SelectRows(const std::vector<int>& rows);
  std::vector<int> GetSelectedRows();
  // All selected tasks, in list order, to the clipboard in every form; false when none is selected.
  bool CopySelectedTasks(const std::vector<int>& rows);

  std::unique_ptr<CTarvelquistIns> m_editor;

  DECLARE_MESSAGE_MAP()
};
