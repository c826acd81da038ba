// tvq list FILE: the list as the window shows it.
#include "cli/Cli.h"
#include "cli/Display.h"
#include "cli/TaskJson.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskText.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {{"wide", false}, {"json", false}};

int RunList(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  ExpectPositional(parsed, 1, "FILE");
  if (parsed.Has("wide") && parsed.Has("json")) throw UsageError("--wide and --json do not go together");
  CTarvelquistDoc document;
  if (!LoadDocument(document, parsed.positional[0])) return kExitFailure;
  Output out;
  if (parsed.Has("json")) {
    WriteTasksJson(out, document);
    return kExitOk;
  }
  const int count = document.GetTaskCount();
  std::vector<std::vector<std::u32string>> rows;
  rows.reserve(static_cast<std::size_t>(count) + 1);
  rows.push_back({U"#", ShownText(tasktext::ColumnHeader(0).view()), ShownText(tasktext::ColumnHeader(1).view()),
                  ShownText(tasktext::ColumnHeader(2).view()), ShownText(tasktext::ColumnHeader(3).view())});
  for (int i = 0; i < count; ++i) {
    const TaskItem& task = document.TaskAt(i);
    const std::string number = std::to_string(i + 1);
    rows.push_back({std::u32string(number.begin(), number.end()),
                    ShownText(tasktext::SubjectColumnText(task.subject).view()),
                    ShownText(tasktext::DueColumnText(task.dueDate).view()), ShownText(task.priority.view()),
                    ShownText(task.memo.view())});
  }
  const std::vector<bool> rightAligned{true, false, false, false, false};
  const std::vector<bool> shrinkable{false, true, false, false, true};
  out.Buffer() = FormatTable(rows, rightAligned, shrinkable, parsed.Has("wide") ? 0 : TerminalWidth());
  out.Flush();
  return kExitOk;
}

}  // namespace

extern const Command kListCommand{
    "list",
    "show the tasks of FILE as the window lists them",
    "tvq list FILE [--wide | --json]",
    "Shows the four columns of the window's list, one row per task, numbered from 1: the subject (as the list\n"
    "shows it, at most 127 units), the due date as the list shows it (\"期限なし\" included, in the current\n"
    "locale settings), the priority and the memo. Line breaks in a memo show as ↵. Cells that do not fit the\n"
    "terminal's width are cut with …\n"
    "\n"
    "Options:\n"
    "  --wide   never cut cells\n"
    "  --json   print the same JSON as tvq dump\n"
    "\n"
    "Example:\n"
    "  tvq list tasks.tvq\n",
    &RunList,
};

}  // namespace tvqcli
