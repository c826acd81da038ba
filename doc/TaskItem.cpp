#include "doc/TaskItem.h"

#include "doc/TaskText.h"

TaskItem::TaskItem() : dueDate(0.0, COleDateTime::valid) {
  subject = tasktext::SubjectDefault();
  dueDate = COleDateTime::GetCurrentTime();
  priority = CString(u"A");
  memo = CString();
}

TaskItem::~TaskItem() = default;

void TaskItem::CopyFieldsFrom(const TaskItem& other) {
  SetSubject(other.GetSubject());
  SetDueDate(other.GetDueDate());
  SetPriority(other.GetPriority());
  SetMemo(other.GetMemo());
}

COleDateTime NoDueDateValue() { return COleDateTime(2100, 1, 1, 0, 0, 0); }
