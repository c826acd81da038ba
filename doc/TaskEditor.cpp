// Each rule is a small function on the members: a new task starts at the clock's now, an existing one from its
// fields and choices, the ticked box stores the no-due value, and picked dates keep the picker's range and seconds.
#include "doc/TaskEditor.h"

#include "doc/TaskText.h"

TaskEditorMembers::TaskEditorMembers()
    : m_dueDate(COleDateTime::GetCurrentTime()), m_priorityLetter(1), m_priorityDigit(0), m_noDueDate(FALSE) {}

namespace taskeditor {

void StartNewTask(TaskEditorMembers& editor) {
  SYSTEMTIME now;
  editor.m_dueDate = GetLocalTime(&now) ? COleDateTime(now) : COleDateTime(0.0, COleDateTime::invalid);
}

void StartFromTask(TaskEditorMembers& editor, const TaskItem& task) {
  editor.m_subject = task.subject;
  editor.m_dueDate = task.dueDate;
  editor.m_noDueDate = tasktext::IsNoDueDateText(tasktext::DateText(task.dueDate)) ? TRUE : FALSE;
  editor.m_priorityLetter = tasktext::PriorityLetterChoice(task.priority);
  editor.m_priorityDigit = tasktext::PriorityDigitChoice(task.priority);
  editor.m_memo = task.memo;
}

void Confirm(const TaskEditorMembers& editor, TaskItem& task) {
  task.subject = editor.m_subject;
  task.dueDate = editor.m_dueDate;
  task.priority = tasktext::PriorityFromChoices(editor.m_priorityLetter, editor.m_priorityDigit);
  task.memo = editor.m_memo;
}

bool ApplyNoDueDateBox(TaskEditorMembers& editor) {
  if (!editor.m_noDueDate) return true;
  editor.m_dueDate = NoDueDateValue();
  return false;
}

void SetNoDueDate(TaskEditorMembers& editor, bool ticked) {
  editor.m_noDueDate = ticked ? TRUE : FALSE;
  ApplyNoDueDateBox(editor);
}

COleDateTime PickerValue(const COleDateTime& requested, const COleDateTime& shown) {
  // The picker's calendar is the range the date conversion has (1 January 100 to 31 December 9999); the
  // conversion also rounds to the second, as the picker keeps whole seconds.
  SYSTEMTIME time;
  if (!requested.GetAsSystemTime(time)) return shown;
  return COleDateTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
}

COleDateTime PickDay(const COleDateTime& shown, int year, int month, int day) {
  SYSTEMTIME time{};
  if (!shown.GetAsSystemTime(time)) time = SYSTEMTIME{};
  return COleDateTime(year, month, day, time.wHour, time.wMinute, time.wSecond);
}

void Open(TaskEditorMembers& editor, const COleDateTime& pickerNow) {
  editor.m_dueDate = PickerValue(editor.m_dueDate, pickerNow);
  ApplyNoDueDateBox(editor);
}

}  // namespace taskeditor
