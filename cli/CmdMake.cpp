// tvq make FILE: a task file from JSON on standard input, saved through the document's own store.
#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Errors.h"
#include "cli/TaskJson.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"

namespace tvqcli {
namespace {

int RunMake(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, {});
  ExpectPositional(parsed, 1, "FILE");
  const std::string input = ReadStandardInput();
  CTarvelquistDoc& document = DocumentForCommand();
  // Every task goes in as the window puts one in: through workTask and InsertTask at the end.
  TaskCommands commands(document);
  ReadTasksJson(input, [&](const TaskItem& task) { commands.Insert(document.GetTaskCount(), task); });
  return SaveDocument(document, parsed.positional[0]) ? kExitOk : kExitFailure;
}

}  // namespace

extern const Command kMakeCommand{
    "make",
    "write FILE from JSON read on standard input",
    "tvq make FILE",
    "Reads the JSON that tvq dump prints from standard input and saves it as FILE, byte for byte as the\n"
    "window would save the same tasks. The whole input is checked before anything is written; an existing\n"
    "FILE is replaced only when every byte of the new one is written.\n"
    "\n"
    "Per task, \"dueText\" is ignored and every field may be left out; a missing one takes a new task's value:\n"
    "subject \"件名\", due now, priority \"A\", memo \"\". In \"due\", \"bits\" (16 hex digits) wins over \"value\";\n"
    "\"status\" defaults to 0 (valid). Unknown keys are an error.\n"
    "\n"
    "Example:\n"
    "  echo '{\"tasks\":[{\"subject\":\"Buy milk\",\"due\":{\"value\":39578.5},\"priority\":\"A1\"}]}' | tvq make tasks.tvq\n",
    &RunMake,
};

}  // namespace tvqcli
