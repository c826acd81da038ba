// What the window's insert and edit flows do with a task, for the commands that change one: the editor's
// members, filled as the flows fill them, changed as a user would change the controls, and stored back on OK.
#pragma once

#include <optional>
#include <string>

#include "doc/TaskItem.h"

class CTarvelquistDoc;

namespace tvqcli {

struct ParsedArguments;

// The task editor's exchanged members after its initialisation.
struct EditorMembers {
  CString subject;
  COleDateTime dueDate;
  int priorityLetter = 1;
  int priorityDigit = 0;
  CString memo;
};

// The insert flow: the editor's own defaults (empty subject and memo, letter 1, digit 0) with the due date now.
EditorMembers NewTaskMembers();
// The edit flow on workTask, as the editor shows it: priority choices from the text; a due date whose date text
// says "no due date" becomes 1 January 2100 00:00:00; the date picker keeps whole seconds, and shows (and so
// returns) the current time for a date it cannot show (status not valid, or outside its range).
EditorMembers EditTaskMembers(const TaskItem& workTask);
// OK: the members into workTask, the priority through the editor's mapping.
void StoreMembers(const EditorMembers& members, TaskItem& workTask);

// A --due value: "none", or a date YYYY-MM-DD picked in the date picker (the picker keeps its time of day).
struct DueChoice {
  bool none = false;
  int year = 0;
  int month = 0;
  int day = 0;
};
DueChoice ParseDue(const std::string& text);  // throws UsageError
void ApplyDue(const DueChoice& due, EditorMembers& members);
// A --priority value: one of A, B, C, P followed by one digit. Throws UsageError.
void ApplyPriority(const std::string& text, EditorMembers& members);
// Option text (UTF-8 from the command line) as a CString. Throws UsageError on invalid UTF-8.
CString ArgumentText(const std::string& utf8, const char* option);
// The --subject, --memo and --priority given, as a user types and picks them in the editor.
void ApplyTextOptions(const ParsedArguments& parsed, EditorMembers& members);

// A task number from the command line (1-based), as a 0-based index below `limit` + 1 when `allowEnd`.
// Throws InputError naming the list's size when out of range, UsageError when not a number.
int ParseTaskNumber(const std::string& text, int count, bool allowEnd = false);

// SwapTasks of the window: two selects, two replaces.
void SwapTasks(CTarvelquistDoc& document, int first, int second);

}  // namespace tvqcli
