// The task commands on the document, run by the list view and by tvq alike: where a new task goes, edit
// (select, fill the editor, confirm or cancel, replace), insert, delete, and the exchange behind move up, move
// down and the column sort (the sort itself is SortTasks of doc/TaskSort.h). Tasks are addressed by index; the
// list view rebuilds the rows of the indexes a command changed.
//
// Every task value passes through the document's workTask. Only the document's SelectTask and these commands
// (through its SetWorkTask) write it, so after each command it holds what the command last put there:
//   edit        the task as stored back (the unchanged copy after a cancel)
//   insert      the new task (after a cancel nothing is touched)
//   swap        the task now at `first` (move up and down: the task that took the selected row's place)
//   delete      unchanged
#pragma once

#include "doc/TaskEditor.h"

class CTarvelquistDoc;

enum class TaskMove { up, down };

class TaskCommands {
 public:
  explicit TaskCommands(CTarvelquistDoc& document) : m_document(document) {}

  // The rules on the selection, given the selected row as the list reports it (the row count when none is
  // selected) and the row count.
  // A task is selected: the edit, delete and move commands act on it.
  static bool IsTaskRow(int row, int count) { return row >= 0 && row < count; }
  // Where the insert flow puts a new task: in front of the selected task, else at the end.
  static int InsertPosition(int selectedRow, int count);
  // The task the selected one is exchanged with; -1 when nothing moves (nothing selected, the first task up,
  // the last task down).
  static int MovePartner(TaskMove move, int selectedRow, int count);

  // The edit flow, around the editor. First task `index` into workTask and the editor's members from it.
  void BeginEdit(int index, TaskEditorMembers& editor);
  // Then, on OK, the members into workTask; confirmed or cancelled, task `index` is replaced by a copy of
  // workTask, so a cancel stores the unchanged task back and still marks the document modified.
  void EndEdit(int index, const TaskEditorMembers& editor, bool confirmed);
  // The insert flow after OK: the members into workTask, and a copy of it inserted at `position`.
  void InsertNew(int position, const TaskEditorMembers& editor);
  // Removes task `index`.
  void Delete(int index);
  // Exchanges tasks `first` and `second` (two owned tasks change places), leaving workTask as two selects and
  // two replaces would: the task now at `first`.
  void Swap(int first, int second);
  // A task stored as it is, at `index` (the document's insert rule), through workTask: tvq's make and import.
  void Insert(int index, const TaskItem& task);

 private:
  CTarvelquistDoc& m_document;
};
