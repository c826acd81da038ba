// The command table: one line per command; each command lives in its own Cmd*.cpp.
#include "cli/Commands.h"

namespace tvqcli {

extern const Command kListCommand;
extern const Command kAddCommand;
extern const Command kEditCommand;
extern const Command kRmCommand;
extern const Command kMvCommand;
extern const Command kSortCommand;
extern const Command kExportCommand;
extern const Command kImportCommand;
extern const Command kDumpCommand;
extern const Command kMakeCommand;
extern const Command kMergeCommand;
extern const Command kRemindCommand;
extern const Command kSyncCommand;

namespace {
const Command* const kCommands[] = {
    &kListCommand,   &kAddCommand,    &kEditCommand, &kRmCommand,   &kMvCommand,
    &kSortCommand,   &kExportCommand, &kImportCommand, &kDumpCommand, &kMakeCommand,
    &kMergeCommand,
    &kRemindCommand,
    &kSyncCommand,
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
