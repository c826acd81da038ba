// iCalendar (RFC 5545) export: one VTODO per task, CRLF line ends, lines folded at 75 octets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CTarvelquistDoc;

namespace tvqcli {

class Output;

// DTSTAMP is the current time, or SOURCE_DATE_EPOCH when that is set (reproducible output).
void WriteTasksIcs(Output& out, const CTarvelquistDoc& document);

// Folds one content line (without its CRLF) at 75 octets, never inside a UTF-8 sequence, and appends it with
// CRLF.
void AppendFolded(std::string& out, std::string_view line);
// TEXT value escaping: backslash, semicolon, comma, line breaks as \n; other control characters dropped.
std::string EscapeText(std::u16string_view text);

}  // namespace tvqcli
