// CSV (RFC 4180) for export and import: a header row subject,due,priority,memo, CRLF line ends, UTF-8 with a
// byte order mark so that spreadsheets read the Japanese right.
// The due column: empty for no due date (1 January 2100 00:00:00, valid), "YYYY-MM-DD HH:MM:SS" for any other
// valid date in whole seconds, and "raw:<16 hex digits of the value>:<status>" for everything else, so an export
// imports back to the same file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "cli/TaskJson.h"

class CTarvelquistDoc;

namespace tvqcli {

class Output;

void WriteTasksCsv(Output& out, const CTarvelquistDoc& document);
std::string DueCsvText(const COleDateTime& due);
// Reads the whole text and calls onTask per row. Throws InputError "line N: ..." on the first bad row.
void ReadTasksCsv(std::string_view text, const std::function<void(const TaskItem&)>& onTask);

}  // namespace tvqcli
