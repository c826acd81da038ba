// The command table: one line per command; each command lives in its own Cmd*.cpp.
#include "cli/Cli.h"

namespace tvqcli {

extern const Command kDumpCommand;
extern const Command kMakeCommand;

namespace {
const Command* const kCommands[] = {
    &kDumpCommand,
    &kMakeCommand,
};
}  // namespace

std::span<const Command* const> Commands() { return kCommands; }

const Command* FindCommand(std::string_view name) {
  for (const Command* command : kCommands) {
    if (command->name == name) return command;
  }
  return nullptr;
}

}  // namespace tvqcli
