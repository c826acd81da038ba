// CSV (RFC 4180) for export and import: a header row subject,due,priority,memo, CRLF line ends, UTF-8 with a
// byte order mark so that spreadsheets read the Japanese right.
// Text cells that a spreadsheet would evaluate (beginning with =, +, -, @, TAB or CR) get a leading "'"; so does
// a cell in which quotes come before one of them, so that import takes exactly one "'" off every cell that
// begins with quotes and then one of those characters, and every text comes back as it was. Other text,
// control characters included, is written as it is.
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

// TRUE when a spreadsheet would evaluate the text, once its leading quotes are passed over.
template <typename Char>
constexpr bool BeginsLikeAFormula(std::basic_string_view<Char> text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == Char('\'')) ++i;
  if (i == text.size()) return false;
  const Char first = text[i];
  return first == Char('=') || first == Char('+') || first == Char('-') || first == Char('@') ||
         first == Char('\t') || first == Char('\r');
}

void WriteTasksCsv(Output& out, const CTarvelquistDoc& document);
// One task's record with its CRLF.
void AppendTaskCsv(std::string& out, const TaskItem& task);
std::string DueCsvText(const COleDateTime& due);
// The due date of a due column's text; throws InputError "line N: ..." when it is none.
COleDateTime DueFromCsvText(std::string_view text, int line);
// Reads the whole text and calls onTask per row. Throws InputError "line N: ..." on the first bad row.
void ReadTasksCsv(std::string_view text, const std::function<void(const TaskItem&)>& onTask);

}  // namespace tvqcli
