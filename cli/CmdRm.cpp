// tvq rm FILE N: deletes task N as the window's delete command does (no question asked).
#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Errors.h"
#include "cli/TaskEdit.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"

namespace tvqcli {
namespace {

int RunRm(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, {});
  ExpectPositional(parsed, 2, "FILE and task number N");
  const std::string& path = parsed.positional[0];
  CTarvelquistDoc& document = DocumentForCommand();
  if (!LoadForChange(document, path)) return kExitFailure;
  TaskCommands(document).Delete(ParseTaskNumber(parsed.positional[1], document.GetTaskCount()));
  return SaveDocument(document, path) ? kExitOk : kExitFailure;
}

}  // namespace

extern const Command kRmCommand{
    "rm",
    "delete task N of FILE",
    "tvq rm FILE N",
    "Deletes task N (numbered from 1, as tvq list shows). The tasks after it move up by one.\n"
    "\n"
    "Example:\n"
    "  tvq rm tasks.tvq 2\n",
    &RunRm,
};

}  // namespace tvqcli
