// Task files for the tvq tests, written through the document's own save as the window writes them.
#pragma once

#include <string>
#include <vector>

#include "platform/core/COleDateTime.h"

namespace clitest {

struct TaskFields {
  std::u16string subject;
  COleDateTime due;
  std::u16string priority;
  std::u16string memo;
};

// Writes the tasks, in order, to a new file at `path` (fails the test when it cannot).
void MakeFile(const std::string& path, const std::vector<TaskFields>& tasks);

}  // namespace clitest
