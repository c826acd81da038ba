// tvq add FILE: a new task, as the window's insert flow makes one.
#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Errors.h"
#include "cli/TaskEdit.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {
    {"at", true}, {"subject", true}, {"due", true}, {"priority", true}, {"memo", true},
};

int RunAdd(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  ExpectPositional(parsed, 1, "FILE");
  // Check every option before touching the file. The editor opens for a new task, the options are what the
  // user types and picks, then OK.
  TaskEditorMembers editor;
  taskeditor::StartNewTask(editor);
  taskeditor::Open(editor, COleDateTime::GetCurrentTime());
  ApplyTextOptions(parsed, editor);
  if (const auto* due = parsed.Value("due")) ApplyDue(ParseDue(*due), editor);

  const std::string& path = parsed.positional[0];
  CTarvelquistDoc& document = DocumentForCommand();
  if (!LoadForChange(document, path, true)) return kExitFailure;
  const int count = document.GetTaskCount();
  // --at N stands for task N selected; without it nothing is selected.
  const int selected = parsed.Has("at") ? ParseTaskNumber(*parsed.Value("at"), count, true) : count;
  TaskCommands(document).InsertNew(TaskCommands::InsertPosition(selected, count), editor);
  return SaveDocument(document, path) ? kExitOk : kExitFailure;
}

}  // namespace

extern const Command kAddCommand{
    "add",
    "add a task to FILE (made when missing)",
    "tvq add FILE [--at N] [--subject S] [--due YYYY-MM-DD | --due none] [--priority A1] [--memo M]",
    "Adds a task as the window's insert command does: before task N with --at N, otherwise at the end (N may\n"
    "be one past the last task). What is not given is what the editor starts with for a new task: an empty\n"
    "subject and memo, the due date now, priority A0. --due picks a day and keeps the current time of day;\n"
    "--due none means no due date. FILE is made when it does not exist.\n"
    "\n"
    "Example:\n"
    "  tvq add tasks.tvq --subject '見積書を送る' --due 2024-05-10 --priority B1\n",
    &RunAdd,
};

}  // namespace tvqcli
