// What a user does in the task editor, for the commands that change one: the options as typed into and picked in
// the editor's controls. The editor itself (its start values, its box and picker, OK) and the task commands are
// the window's own, in doc/TaskEditor.h and doc/TaskCommands.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "doc/TaskEditor.h"

class CTarvelquistDoc;

namespace tvqcli {

struct ParsedArguments;

// A --due value: "none", or a date YYYY-MM-DD picked in the date picker (the picker keeps its time of day).
struct DueChoice {
  bool none = false;
  int year = 0;
  int month = 0;
  int day = 0;
};
DueChoice ParseDue(const std::string& text);  // throws UsageError
// A date YYYY-MM-DD that the date picker can show (years 100 to 9999); false for anything else.
bool ParseIsoDate(std::string_view text, int& year, int& month, int& day);
// "none" ticks the "期限なし" box; a date clears the box if it is ticked and picks the day.
void ApplyDue(const DueChoice& due, TaskEditorMembers& editor);
// A --priority value: one of A, B, C, P followed by one digit, clicked in the two rows. Throws UsageError.
void ApplyPriority(const std::string& text, TaskEditorMembers& editor);
// Option text (UTF-8 from the command line) as a CString. Throws UsageError on invalid UTF-8.
CString ArgumentText(const std::string& utf8, const char* option);
// The --subject, --memo and --priority given, as a user types and picks them in the editor.
void ApplyTextOptions(const ParsedArguments& parsed, TaskEditorMembers& editor);

// A task number from the command line (1-based), as a 0-based index below `limit` + 1 when `allowEnd`.
// Throws InputError naming the list's size when out of range, UsageError when not a number.
int ParseTaskNumber(const std::string& text, int count, bool allowEnd = false);

}  // namespace tvqcli
