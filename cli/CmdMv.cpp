// tvq mv FILE N up|down: moves a task one place, as the window's move commands do.
#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Errors.h"
#include "cli/TaskEdit.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"

namespace tvqcli {
namespace {

int RunMv(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, {});
  ExpectPositional(parsed, 3, "FILE, task number N and up or down");
  const std::string& direction = parsed.positional[2];
  if (direction != "up" && direction != "down") throw UsageError("the direction is up or down, not '" + Echo(direction) + "'");
  const std::string& path = parsed.positional[0];
  CTarvelquistDoc& document = DocumentForCommand();
  if (!LoadForChange(document, path)) return kExitFailure;
  const int count = document.GetTaskCount();
  const int row = ParseTaskNumber(parsed.positional[1], count);
  // The first task does not move up and the last does not move down; the file then stays as it is.
  const int partner = TaskCommands::MovePartner(direction == "up" ? TaskMove::up : TaskMove::down, row, count);
  if (partner < 0) return kExitOk;
  TaskCommands(document).Swap(row, partner);
  return SaveDocument(document, path) ? kExitOk : kExitFailure;
}

}  // namespace

extern const Command kMvCommand{
    "mv",
    "move task N of FILE one place up or down",
    "tvq mv FILE N up|down",
    "Exchanges task N with the one before it (up) or after it (down). Moving the first task up or the last\n"
    "task down changes nothing, as in the window.\n"
    "\n"
    "Example:\n"
    "  tvq mv tasks.tvq 4 up\n",
    &RunMv,
};

}  // namespace tvqcli
