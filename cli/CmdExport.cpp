// tvq export FILE --format csv|json|ics: the tasks for other programs, on standard output.
#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Csv.h"
#include "cli/Errors.h"
#include "cli/Ics.h"
#include "cli/Output.h"
#include "cli/TaskJson.h"
#include "doc/CTarvelquistDoc.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {{"format", true}};

int RunExport(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  ExpectPositional(parsed, 1, "FILE");
  const std::string* format = parsed.Value("format");
  if (!format) throw UsageError("missing --format csv|json|ics");
  if (*format != "csv" && *format != "json" && *format != "ics") {
    throw UsageError("--format is csv, json or ics, not '" + Echo(*format) + "'");
  }
  CTarvelquistDoc& document = DocumentForCommand();
  if (!LoadDocument(document, parsed.positional[0])) return kExitFailure;
  // JSON escapes every control itself; CSV and iCalendar carry them as they are, except to a terminal.
  Output out(*format != "json");
  if (*format == "csv") WriteTasksCsv(out, document);
  if (*format == "json") WriteTasksJson(out, document);
  if (*format == "ics") WriteTasksIcs(out, document);
  return kExitOk;
}

}  // namespace

extern const Command kExportCommand{
    "export",
    "print the tasks of FILE as CSV, JSON or iCalendar",
    "tvq export FILE --format csv|json|ics",
    "csv   RFC 4180 with the header row subject,due,priority,memo, CRLF line ends, UTF-8 with a byte order\n"
    "      mark. due is \"YYYY-MM-DD HH:MM:SS\", empty for no due date, or raw:<16 hex digits>:<status> for a\n"
    "      value no calendar date stands for. Text that is not valid Unicode becomes U+FFFD. A text cell that\n"
    "      a spreadsheet would evaluate (one beginning with =, +, -, @, a tab or a carriage return, after any\n"
    "      quotes) gets a leading ' so that it stays text; tvq import takes exactly that ' off again.\n"
    "json  the same as tvq dump; keeps everything.\n"
    "ics   iCalendar (RFC 5545): one VTODO per task with SUMMARY (the subject), DUE (the date the list shows;\n"
    "      none for a task without a due date), PRIORITY by RFC 5545's bands (A 1-4, B 5, C 6-9, P and an\n"
    "      empty priority 0; within A and C the last digit picks the step: 0-2, 3-4, 5-6, then 7-9),\n"
    "      DESCRIPTION (the memo) and X-APPLE-SORT-ORDER (the place in the list). What these cannot carry\n"
    "      exactly (the full priority, a due date's time of day, control characters) goes into\n"
    "      X-TARVELQUIST- properties beside them. DTSTAMP is now, or SOURCE_DATE_EPOCH when set.\n"
    "tvq import reads all three back into the same file bytes. Written to a terminal, csv and ics show\n"
    "control characters as tvq list does; to a file or a pipe they are written as they are.\n"
    "\n"
    "Example:\n"
    "  tvq export tasks.tvq --format ics > tasks.ics\n",
    &RunExport,
};

}  // namespace tvqcli
