// tvq dump FILE: the tasks of a file as JSON, read through the document's own load.
#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Errors.h"
#include "cli/Output.h"
#include "cli/TaskJson.h"
#include "doc/CTarvelquistDoc.h"

namespace tvqcli {
namespace {

int RunDump(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, {});
  ExpectPositional(parsed, 1, "FILE");
  CTarvelquistDoc& document = DocumentForCommand();
  if (!LoadDocument(document, parsed.positional[0])) return kExitFailure;
  Output out;
  WriteTasksJson(out, document);
  return kExitOk;
}

}  // namespace

extern const Command kDumpCommand{
    "dump",
    "print the tasks of FILE as JSON",
    "tvq dump FILE",
    "Reads FILE as the window does and prints its tasks as one line of JSON:\n"
    "  {\"tasks\":[{\"subject\":\"...\",\"due\":{\"status\":0,\"value\":39578.5,\"bits\":\"40e3535000000000\"},\n"
    "    \"priority\":\"A1\",\"memo\":\"\",\"dueText\":\"2008/05/10\"}]}\n"
    "\"bits\" is the date value's 64-bit pattern (so nothing is lost), \"value\" is null when the value is not\n"
    "a finite number, and \"dueText\" is what the list's due column shows in the current locale settings.\n"
    "An unpaired surrogate, DEL, the C1 controls and the characters that change the direction of text are\n"
    "written as \\uXXXX escapes: the JSON is safe to show on a terminal and reads back the same.\n"
    "\n"
    "Example:\n"
    "  tvq dump tasks.tvq > tasks.json\n",
    &RunDump,
};

}  // namespace tvqcli
