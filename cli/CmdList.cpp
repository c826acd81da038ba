// tvq list FILE: the list as the window shows it.
#include <algorithm>

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
  // Without --wide no cell can be wider than the terminal, so only that much of each text is looked at.
  const int width = parsed.Has("wide") ? 0 : TerminalWidth();
  Table table(5);
  std::size_t codePoints = 0;
  const auto kept = [width](std::size_t units) {
    return width > 0 ? std::min(units, static_cast<std::size_t>(width) + 1) : units;
  };
  for (int i = 0; i < count; ++i) {
    const TaskItem& task = document.TaskAt(i);
    codePoints += 16 + kept(task.subject.size()) + kept(task.priority.size()) + kept(task.memo.size());
  }
  table.Reserve(static_cast<std::size_t>(count + 1) * 5, codePoints + 64);
  table.Add(u"#");
  for (int column = 0; column < 4; ++column) table.Add(tasktext::ColumnHeader(column).view());
  for (int i = 0; i < count; ++i) {
    const TaskItem& task = document.TaskAt(i);
    const std::string number = std::to_string(i + 1);
    table.Add(std::u16string(number.begin(), number.end()));
    table.Add(tasktext::SubjectColumnText(task.subject).view(), width);
    table.Add(tasktext::DueColumnText(task.dueDate).view(), width);
    table.Add(task.priority.view(), width);
    table.Add(task.memo.view(), width);
  }
  out.Buffer() = table.Format({true, false, false, false, false}, {false, true, false, false, true}, width);
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
    "locale settings), the priority and the memo. Line breaks in a memo show as ↵, other control characters\n"
    "as their symbols (␛ for ESC) or as escapes such as \\u202E (for the characters that change the direction\n"
    "of text) and \\xFF (a byte that is not UTF-8), as in every message of tvq. Cells that do not fit the\n"
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
