// The tests' one task builder: a task from its four fields, and appending such tasks to a document as the
// insert command does (the document's own rules, never a shortcut past them).
#pragma once

#include <memory>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "doc/TaskItem.h"

namespace tvqtest {

inline std::unique_ptr<TaskItem> MakeTask(const CString& subject, const COleDateTime& due, const CString& priority,
                                          const CString& memo) {
  auto task = std::make_unique<TaskItem>();
  task->subject = subject;
  task->dueDate = due;
  task->priority = priority;
  task->memo = memo;
  return task;
}

// Appends the task at the end of the list (sets the modified flag, as every insert does).
inline void AppendTask(CTarvelquistDoc& doc, const TaskItem& task) { TaskCommands(doc).Insert(doc.GetTaskCount(), task); }

}  // namespace tvqtest
