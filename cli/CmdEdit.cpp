// tvq edit FILE N: changes task N as the window's edit command does.
#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Errors.h"
#include "cli/TaskEdit.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {{"subject", true}, {"due", true}, {"priority", true}, {"memo", true}};

int RunEdit(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  ExpectPositional(parsed, 2, "FILE and task number N");
  std::optional<DueChoice> due;
  if (const auto* text = parsed.Value("due")) due = ParseDue(*text);
  const std::string& path = parsed.positional[0];
  CTarvelquistDoc& document = DocumentForCommand();
  if (!LoadForChange(document, path)) return kExitFailure;
  const int index = ParseTaskNumber(parsed.positional[1], document.GetTaskCount());
  TaskCommands commands(document);
  TaskEditorMembers editor;
  commands.BeginEdit(index, editor);
  taskeditor::Open(editor, COleDateTime::GetCurrentTime());
  ApplyTextOptions(parsed, editor);
  if (due) ApplyDue(*due, editor);
  commands.EndEdit(index, editor, true);
  return SaveDocument(document, path) ? kExitOk : kExitFailure;
}

}  // namespace

extern const Command kEditCommand{
    "edit",
    "change task N of FILE",
    "tvq edit FILE N [--subject S] [--due YYYY-MM-DD | --due none] [--priority A1] [--memo M]",
    "Opens task N (numbered from 1, as tvq list shows) as the window's editor would, changes what is given and\n"
    "confirms. As in the window, confirming stores the priority as a letter and a digit (a lone \"A\" becomes\n"
    "A1), a task the list shows without a due date keeps exactly 1 January 2100, and the date keeps whole\n"
    "seconds. --due picks a day and keeps the task's time of day; --due none means no due date.\n"
    "\n"
    "Example:\n"
    "  tvq edit tasks.tvq 3 --priority A1 --memo '電話済み'\n",
    &RunEdit,
};

}  // namespace tvqcli
