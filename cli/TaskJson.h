// The dump form of a task list, shared by tvq dump, make and the commands that read or print JSON:
// {"tasks":[{"subject":"件名","due":{"status":0,"value":39578.5,"bits":"40e3535000000000"},"priority":"A1",
//  "memo":"","dueText":"2008/05/10"}]}
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "doc/TaskItem.h"

class CTarvelquistDoc;

namespace tvqcli {

class Output;

// One task object (dueText is the list's due column in the current locale settings); a number above 0 comes
// first as "number", the task's position in its file as tvq list shows it.
void AppendTaskJson(std::string& out, const TaskItem& task, const std::function<void()>& spill = {},
                    int number = 0);
// The whole list, then a newline.
void WriteTasksJson(Output& out, const CTarvelquistDoc& document);
// The tasks at these indices, in this order, each with its number; then a newline.
void WriteNumberedTasksJson(Output& out, const CTarvelquistDoc& document, std::span<const int> indices);

// Reads the dump form and calls onTask for every task in order. A task's missing fields take a new task's
// defaults (subject "件名", due now, priority "A", memo ""); within "due", "status" defaults to 0 and "bits" wins
// over "value". "dueText" and "number" are ignored; any other key is an error. Throws tvqjson::JsonError with the position.
void ReadTasksJson(std::string_view text, const std::function<void(const TaskItem&)>& onTask);

}  // namespace tvqcli
