// The task commands on the document: the selection's rules and each command's steps through workTask.
#include "doc/TaskCommands.h"

#include "doc/CTarvelquistDoc.h"

int TaskCommands::InsertPosition(int selectedRow, int count) {
  if (count == 0) return 0;
  return IsTaskRow(selectedRow, count) ? selectedRow : count;
}

int TaskCommands::MovePartner(TaskMove move, int selectedRow, int count) {
  if (!IsTaskRow(selectedRow, count)) return -1;
  const int partner = move == TaskMove::up ? selectedRow - 1 : selectedRow + 1;
  return IsTaskRow(partner, count) ? partner : -1;
}

void TaskCommands::BeginEdit(int index, TaskEditorMembers& editor) {
  m_document.SelectTask(index);
  taskeditor::StartFromTask(editor, m_document.GetWorkTask());
}

void TaskCommands::EndEdit(int index, const TaskEditorMembers& editor, bool confirmed) {
  if (confirmed) m_document.SetWorkTask(editor);
  m_document.ReplaceTask(index);
}

void TaskCommands::InsertNew(int position, const TaskEditorMembers& editor) {
  m_document.SetWorkTask(editor);
  m_document.InsertTask(position);
}

void TaskCommands::Delete(int index) { m_document.RemoveTask(index); }

void TaskCommands::Swap(int first, int second) {
  m_document.ExchangeTasks(first, second);
  m_document.SelectTask(first);  // as after the two selects and two replaces: the task now at `first`
}

void TaskCommands::Insert(int index, const TaskItem& task) {
  m_document.SetWorkTask(task);
  m_document.InsertTask(index);
}
