// tvq import FILE --format csv|json [--append]: tasks from standard input into FILE.
#include <memory>
#include <vector>

#include "cli/Cli.h"
#include "cli/Csv.h"
#include "cli/TaskEdit.h"
#include "cli/TaskJson.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {{"format", true}, {"append", false}};

int RunImport(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  ExpectPositional(parsed, 1, "FILE");
  const std::string* format = parsed.Value("format");
  if (!format) throw UsageError("missing --format csv|json");
  if (*format != "csv" && *format != "json") throw UsageError("--format is csv or json, not '" + Echo(*format) + "'");
  const std::string& path = parsed.positional[0];
  const std::string input = ReadStandardInput();

  // Everything is read and checked before the file is opened or written.
  std::vector<std::unique_ptr<TaskItem>> tasks;
  const auto collect = [&tasks](const TaskItem& task) {
    tasks.push_back(std::make_unique<TaskItem>());
    tasks.back()->CopyFieldsFrom(task);
  };
  if (*format == "csv") {
    ReadTasksCsv(input, collect);
  } else {
    ReadTasksJson(input, collect);
  }
  CTarvelquistDoc document;
  if (parsed.Has("append") && !LoadForChange(document, path, true)) return kExitFailure;
  TaskCommands commands(document);
  for (const auto& task : tasks) commands.Insert(document.GetTaskCount(), *task);
  return SaveDocument(document, path) ? kExitOk : kExitFailure;
}

}  // namespace

extern const Command kImportCommand{
    "import",
    "write FILE from CSV or JSON on standard input",
    "tvq import FILE --format csv|json [--append]",
    "Reads tasks in the form tvq export writes (csv, or json as tvq dump prints it) from standard input and\n"
    "saves them as FILE, replacing its tasks, or after them with --append (FILE is made when missing). The\n"
    "whole input is checked first: a bad row or value is reported with its line and nothing is written.\n"
    "A csv text cell that begins with ' followed by any quotes and then =, +, -, @, a tab or a carriage\n"
    "return loses that first ': it is the guard tvq export puts before what a spreadsheet would evaluate.\n"
    "\n"
    "Example:\n"
    "  tvq export old.tvq --format csv | tvq import new.tvq --format csv --append\n",
    &RunImport,
};

}  // namespace tvqcli
