// The document's test hook: how tests make every new task of a list (to stand for exhausted memory). Only the
// document's own source and tests include this; the program never sets it.
#pragma once

#include <functional>
#include <memory>

class TaskItem;

namespace testhooks {

// Makes every new task (copies of workTask and tasks read from a file). An empty function restores plain
// construction. A factory may throw std::bad_alloc to stand for exhausted memory. Returns the old one.
using TaskFactory = std::function<std::unique_ptr<TaskItem>()>;
TaskFactory SetTaskFactory(TaskFactory factory);

}  // namespace testhooks
