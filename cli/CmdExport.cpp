// tvq export FILE --format csv|json|ics: the tasks for other programs, on standard output.
#include "cli/Cli.h"
#include "cli/Csv.h"
#include "cli/Ics.h"
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
  CTarvelquistDoc document;
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
    "ics   iCalendar: one VTODO per task with SUMMARY, DUE (a date; none for tasks without a due date),\n"
    "      PRIORITY (A 1, B 5, C 9, P 0), X-TARVELQUIST-PRIORITY (the full priority) and DESCRIPTION (the memo).\n"
    "      DTSTAMP is now, or SOURCE_DATE_EPOCH when set.\n"
    "tvq import reads csv and json back into the same file bytes. Written to a terminal, csv and ics show\n"
    "control characters as tvq list does; to a file or a pipe they are written as they are.\n"
    "\n"
    "Example:\n"
    "  tvq export tasks.tvq --format ics > tasks.ics\n",
    &RunExport,
};

}  // namespace tvqcli
