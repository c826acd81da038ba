// tvq sort FILE COLUMN: the window's column sort, with the same code.
#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Errors.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskSort.h"

namespace tvqcli {
namespace {

int ColumnOf(const std::string& name) {
  if (const int column = ColumnNamed(name); column >= 0) return column;
  throw UsageError("the column is subject, due, priority or memo, not '" + Echo(name) + "'");
}

int RunSort(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, {});
  ExpectPositional(parsed, 2, "FILE and a column");
  const int column = ColumnOf(parsed.positional[1]);
  const std::string& path = parsed.positional[0];
  CTarvelquistDoc& document = DocumentForCommand();
  if (!LoadForChange(document, path)) return kExitFailure;
  const ExchangeSortResult result = SortTasks(document, column);
  // A list already in order is left as it is, file included.
  if (!result.anyExchange) return kExitOk;
  return SaveDocument(document, path) ? kExitOk : kExitFailure;
}

}  // namespace

extern const Command kSortCommand{
    "sort",
    "sort FILE by a column, as a tap on the list's header does",
    "tvq sort FILE subject|due|priority|memo",
    "Sorts the tasks in ascending order of the column exactly as the window does when its header is tapped:\n"
    "by the text the column sorts on, code unit by code unit (upper case before lower case, ASCII before kana\n"
    "and kanji); dates by their date text in the current locale settings; an empty priority or memo last. The\n"
    "sort is not stable: tasks with equal keys may change places, as in the window.\n"
    "\n"
    "Example:\n"
    "  tvq sort tasks.tvq due\n",
    &RunSort,
};

}  // namespace tvqcli
