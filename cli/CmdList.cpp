// tvq list FILE: the list as the window shows it, or the tasks that pass the filters given.
#include <algorithm>
#include <utility>

#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Display.h"
#include "cli/Errors.h"
#include "cli/Output.h"
#include "cli/TaskEdit.h"
#include "cli/TaskFilter.h"
#include "cli/TaskJson.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskText.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {{"wide", false},    {"json", false},  {"due", true},
                                   {"priority", true}, {"match", true}, {"by", true}};

TaskFilter FilterOf(const ParsedArguments& parsed) {
  TaskFilter filter;
  if (const auto* due = parsed.Value("due")) filter.due = ParseDueFilter(*due, Today());
  if (const auto* priority = parsed.Value("priority")) filter.priority = ParsePriorityFilter(*priority);
  if (const auto* text = parsed.Value("match")) {
    filter.foldedText = FoldForMatch(ArgumentText(*text, "--match").view());
  }
  return filter;
}

// The column --by names, or -1 for the file's order.
int OrderColumnOf(const ParsedArguments& parsed) {
  const std::string* name = parsed.Value("by");
  if (!name) return -1;
  const int column = ColumnNamed(*name);
  if (column < 0) throw UsageError("--by takes subject, due, priority or memo, not '" + Echo(*name) + "'");
  return column;
}

// The indices of the tasks to show, in the order to show them: the file's, or stably by the column sort's key.
std::vector<int> ShownTasks(const CTarvelquistDoc& document, const TaskFilter& filter, int orderColumn) {
  std::vector<int> shown;
  const int count = document.GetTaskCount();
  for (int i = 0; i < count; ++i) {
    if (filter.Matches(document.TaskAt(i))) shown.push_back(i);
  }
  if (orderColumn < 0) return shown;
  std::vector<std::pair<CString, int>> keyed;
  keyed.reserve(shown.size());
  for (const int index : shown) keyed.emplace_back(tasktext::SortKey(document.TaskAt(index), orderColumn), index);
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first.view() < b.first.view(); });
  for (std::size_t k = 0; k < keyed.size(); ++k) shown[k] = keyed[k].second;
  return shown;
}

// The window's four columns after the task's number in the file; `width` 0 never cuts.
void WriteListTable(Output& out, const CTarvelquistDoc& document, const std::vector<int>& shown, int width) {
  Table table(5);
  table.Reserve((shown.size() + 1) * 5, shown.size() * 24);  // the copied cells: number and due date
  table.Add(u"#");
  for (int column = 0; column < 4; ++column) table.Add(tasktext::ColumnHeader(column).view());
  for (const int index : shown) {
    const TaskItem& task = document.TaskAt(index);
    const std::string number = std::to_string(index + 1);
    table.Add(std::u16string(number.begin(), number.end()));
    table.AddLasting(tasktext::SubjectColumnView(task.subject), width);
    table.Add(tasktext::DueColumnTextRef(task.dueDate).view(), width);  // copied by the table
    table.AddLasting(task.priority.view(), width);
    table.AddLasting(task.memo.view(), width);
  }
  table.FormatInto(out.Buffer(), {true, false, false, false, false}, {false, true, false, false, true}, width,
                   [&out] { out.MaybeFlush(); });
}

int RunList(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  ExpectPositional(parsed, 1, "FILE");
  if (parsed.Has("wide") && parsed.Has("json")) throw UsageError("--wide and --json do not go together");
  const TaskFilter filter = FilterOf(parsed);
  const int orderColumn = OrderColumnOf(parsed);
  CTarvelquistDoc& document = DocumentForCommand();
  if (!LoadDocument(document, parsed.positional[0])) return kExitFailure;
  const std::vector<int> shown = ShownTasks(document, filter, orderColumn);
  Output out;
  if (parsed.Has("json")) {
    WriteNumberedTasksJson(out, document, shown);
    return kExitOk;
  }
  WriteListTable(out, document, shown, parsed.Has("wide") ? 0 : TerminalWidth());
  out.Flush();
  return kExitOk;
}

}  // namespace

extern const Command kListCommand{
    "list",
    "show the tasks of FILE as the window lists them: all, or those the filters pick",
    "tvq list FILE [--due WHEN] [--priority SPEC] [--match TEXT] [--by COLUMN] [--wide | --json]",
    "Shows the four columns of the window's list, one row per task, after the task's number in the file: the\n"
    "subject (as the list shows it, at most 127 units), the due date as the list shows it (\"期限なし\" included,\n"
    "in the current locale settings), the priority and the memo. Line breaks in a memo show as ↵, other control\n"
    "characters as their symbols (␛ for ESC) or as escapes such as \\u202E (for the characters that change the\n"
    "direction of text) and \\xFF (a byte that is not UTF-8), as in every message of tvq. Cells that do not fit\n"
    "the terminal's width are cut with …\n"
    "\n"
    "Filters: a task is shown when it passes every filter given. Its number stays its position in the file, so\n"
    "tvq edit FILE N and tvq rm FILE N act on the task shown as N.\n"
    "  --due WHEN        overdue (before today), today, tomorrow, week (today and the next six days), none (the\n"
    "                    tasks shown as \"期限なし\"), a date YYYY-MM-DD, or a range YYYY-MM-DD..YYYY-MM-DD whose\n"
    "                    either end may be left out (2024-01-01.. or ..2024-01-31). Today is the local date;\n"
    "                    a task's day is the date the list shows for it.\n"
    "  --priority SPEC   a letter (A: A, A1 ... A0), a letter and a digit (B2) or a range (A-B, A1-B5) of the\n"
    "                    editor's letters A, B, C, P, compared as the sort by \"!\" compares priorities (a range\n"
    "                    holds the priorities that sort between its ends); an empty priority is in none\n"
    "  --match TEXT      the subject or the memo contains TEXT, ignoring case and width: both are compared in\n"
    "                    Unicode NFKC form (full-width Ａ１ as A1, half-width ｶﾅ as カナ), case folded, and with\n"
    "                    katakana as hiragana (カナ as かな)\n"
    "\n"
    "Options:\n"
    "  --by COLUMN   subject, due, priority or memo: the tasks shown in the order of that column's sort, equal\n"
    "                keys in the file's order; the file is not changed (tvq sort reorders it)\n"
    "  --wide        never cut cells\n"
    "  --json        the tasks shown, in the JSON of tvq dump with each task's \"number\" (tvq make reads it\n"
    "                back); none gives {\"tasks\":[]}\n"
    "\n"
    "When no task passes, the list is its header alone and the exit status is 0; a bad filter value is a\n"
    "usage error (exit status 2).\n"
    "\n"
    "Example:\n"
    "  tvq list tasks.tvq --due overdue          what is overdue?\n"
    "  tvq list tasks.tvq --due week --by due    what is due this week, soonest first?\n"
    "  tvq list tasks.tvq --match 歯医者         where is the task about the dentist?\n",
    &RunList,
};

}  // namespace tvqcli
