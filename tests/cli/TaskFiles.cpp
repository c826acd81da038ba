#include "tests/cli/TaskFiles.h"

#include <gtest/gtest.h>

#include "doc/CTarvelquistDoc.h"
#include "tests/support/Framework.h"
#include "tests/support/TaskBuilder.h"

namespace clitest {

void MakeFile(const std::string& path, const std::vector<TaskFields>& tasks) {
  CTarvelquistDoc doc;
  for (const TaskFields& fields : tasks) {
    tvqtest::AppendTask(doc, *tvqtest::MakeTask(fields.subject, fields.due, fields.priority, fields.memo));
  }
  tvqtest::MessageRecorder messages;  // not shown
  ASSERT_TRUE(doc.OnSaveDocument(CString::FromUtf8(path)));
}

}  // namespace clitest
