// A CalDAV item's iCalendar text as tvq sync reads and writes it: the task of its VTODO, a new item for a task,
// and an item patched in place (the four fields, the order and the completion) with everything else kept.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "doc/TaskItem.h"

namespace tvqcli {

struct ItemTask {
  std::unique_ptr<TaskItem> task;
  bool completed = false;
  std::string uid;
};

// The item's first VTODO; nothing when the text is not iCalendar or holds no VTODO (an event, a journal).
std::optional<ItemTask> ReadItemTask(std::string_view ics);

enum class ItemCompletion { keep, complete, reopen };

// The item with the task's fields and order set and its completion changed as asked; every other property and
// component stays. Nothing when the text holds no VTODO.
std::optional<std::string> PatchItem(std::string_view ics, const TaskItem& task, std::optional<int> sortOrder,
                                     ItemCompletion completion);
// A new VCALENDAR with one VTODO for the task under the UID.
std::string NewItem(const std::string& uid, const TaskItem& task, int sortOrder);
// A new random UID (a version 4 UUID).
std::string NewUid();

}  // namespace tvqcli
