#include "tests/cli/TaskFiles.h"

#include <gtest/gtest.h>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "tests/support/Framework.h"

namespace clitest {

void MakeFile(const std::string& path, const std::vector<TaskFields>& tasks) {
  CTarvelquistDoc doc;
  TaskItem task;
  for (const TaskFields& fields : tasks) {
    task.subject = CString(fields.subject);
    task.dueDate = fields.due;
    task.priority = CString(fields.priority);
    task.memo = CString(fields.memo);
    TaskCommands(doc).Insert(doc.GetTaskCount(), task);
  }
  tvqtest::MessageRecorder messages;  // not shown
  ASSERT_TRUE(doc.OnSaveDocument(CString::FromUtf8(path)));
}

}  // namespace clitest
