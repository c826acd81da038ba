// tvq import FILE --format csv|json|ics [--append]: tasks from standard input into FILE.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Csv.h"
#include "cli/Display.h"
#include "cli/Errors.h"
#include "cli/Ics.h"
#include "cli/TaskEdit.h"
#include "cli/TaskJson.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {{"format", true}, {"append", false}};

// "2 VALARM, 1 CATEGORIES": each name once with its count, in the order first met.
std::string CountedNames(const std::vector<std::string>& names) {
  std::vector<std::pair<std::string, int>> counted;
  for (const std::string& name : names) {
    auto found = std::find_if(counted.begin(), counted.end(), [&name](const auto& entry) { return entry.first == name; });
    if (found == counted.end()) {
      counted.emplace_back(name, 1);
    } else {
      ++found->second;
    }
  }
  std::string text;
  for (const auto& [name, count] : counted) text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + name;
  return text;
}

// The open VTODOs; completed ones and whatever has no place in a task are left out and named on one line.
void ReadIcsForImport(std::string_view input, const std::function<void(const TaskItem&)>& onTask) {
  const IcsTasks read = ReadTasksIcs(input);
  std::vector<std::string> leftOut = read.ignored;
  for (std::size_t i = 0; i < read.tasks.size(); ++i) {
    if (read.completed[i]) {
      leftOut.emplace_back("completed VTODO");
      continue;
    }
    onTask(read.tasks[i]);
  }
  if (leftOut.empty()) return;
  const std::string line = TerminalText("tvq import: left out, having no place in a task: " + CountedNames(leftOut)) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

int RunImport(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  ExpectPositional(parsed, 1, "FILE");
  const std::string* format = parsed.Value("format");
  if (!format) throw UsageError("missing --format csv|json|ics");
  if (*format != "csv" && *format != "json" && *format != "ics") {
    throw UsageError("--format is csv, json or ics, not '" + Echo(*format) + "'");
  }
  const std::string& path = parsed.positional[0];
  const std::string input = ReadStandardInput();

  // Everything is read and checked before the file is opened or written.
  std::vector<std::unique_ptr<TaskItem>> tasks;
  const auto collect = [&tasks](const TaskItem& task) {
    tasks.push_back(std::make_unique<TaskItem>());
    tasks.back()->CopyFieldsFrom(task);
  };
  if (*format == "csv") ReadTasksCsv(input, collect);
  if (*format == "json") ReadTasksJson(input, collect);
  if (*format == "ics") ReadIcsForImport(input, collect);
  CTarvelquistDoc& document = DocumentForCommand();
  if (parsed.Has("append") && !LoadForChange(document, path, true)) return kExitFailure;
  TaskCommands commands(document);
  for (const auto& task : tasks) commands.Insert(document.GetTaskCount(), *task);
  return SaveDocument(document, path) ? kExitOk : kExitFailure;
}

}  // namespace

extern const Command kImportCommand{
    "import",
    "write FILE from CSV, JSON or iCalendar on standard input",
    "tvq import FILE --format csv|json|ics [--append]",
    "Reads tasks in the form tvq export writes (csv, or json as tvq dump prints it) from standard input and\n"
    "saves them as FILE, replacing its tasks, or after them with --append (FILE is made when missing). The\n"
    "whole input is checked first: a bad row or value is reported with its line and nothing is written.\n"
    "A csv text cell that begins with ' followed by any quotes and then =, +, -, @, a tab or a carriage\n"
    "return loses that first ': it is the guard tvq export puts before what a spreadsheet would evaluate.\n"
    "ics reads the VTODOs of any program's iCalendar text with tvq export's mapping (see tvq export --help):\n"
    "SUMMARY, DUE (in local time), PRIORITY and DESCRIPTION; what tvq export wrote comes back exactly.\n"
    "Completed VTODOs and what a task has no place for (alarms, repeats, categories, events, ...) are left\n"
    "out and counted by name on one line of standard error.\n"
    "\n"
    "Example:\n"
    "  tvq export old.tvq --format csv | tvq import new.tvq --format csv --append\n",
    &RunImport,
};

}  // namespace tvqcli
