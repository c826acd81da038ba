// The options parsed and applied to the editor's members through its own rules: --due as the picker's day or
// the "期限なし" box, --priority as its letter and digit, the texts as typed, task numbers checked.
#include "cli/TaskEdit.h"

#include <cerrno>
#include <charconv>

#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Errors.h"
#include "cli/Json.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskText.h"

namespace tvqcli {

namespace {

bool ParseNumber(std::string_view text, int& value) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

}  // namespace

bool ParseIsoDate(std::string_view text, int& year, int& month, int& day) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  if (!ParseNumber(text.substr(0, 4), year) || !ParseNumber(text.substr(5, 2), month) ||
      !ParseNumber(text.substr(8, 2), day)) {
    return false;
  }
  COleDateTime check;
  return check.SetDate(year, month, day) == COleDateTime::valid;
}

DueChoice ParseDue(const std::string& text) {
  DueChoice due;
  if (text == "none") {
    due.none = true;
    return due;
  }
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') throw UsageError("--due takes a date YYYY-MM-DD or none");
  if (!ParseIsoDate(text, due.year, due.month, due.day)) throw UsageError("--due " + Echo(text) + " is not a date");
  return due;
}

void ApplyDue(const DueChoice& due, TaskEditorMembers& editor) {
  if (due.none) {
    taskeditor::SetNoDueDate(editor, true);
    return;
  }
  if (editor.m_noDueDate) taskeditor::SetNoDueDate(editor, false);  // the picker is disabled while ticked
  editor.m_dueDate = taskeditor::PickDay(editor.m_dueDate, due.year, due.month, due.day);
}

void ApplyPriority(const std::string& text, TaskEditorMembers& editor) {
  const std::size_t letter = text.size() == 2 ? tasktext::kPriorityLetters.find(text[0]) : std::string_view::npos;
  if (letter == std::string_view::npos || text[1] < '0' || text[1] > '9') {
    throw UsageError("--priority takes a letter A, B, C or P and a digit, such as A1 or P0");
  }
  editor.m_priorityLetter = static_cast<int>(letter) + 1;
  editor.m_priorityDigit = text[1] - '0';
}

CString ArgumentText(const std::string& utf8, const char* option) {
  std::u16string text;
  if (!tvqjson::Utf8ToUtf16(utf8, text)) throw UsageError(std::string(option) + " is not valid UTF-8");
  return CString(std::move(text));
}

void ApplyTextOptions(const ParsedArguments& parsed, TaskEditorMembers& editor) {
  if (const auto* subject = parsed.Value("subject")) editor.m_subject = ArgumentText(*subject, "--subject");
  if (const auto* memo = parsed.Value("memo")) editor.m_memo = ArgumentText(*memo, "--memo");
  if (const auto* priority = parsed.Value("priority")) ApplyPriority(*priority, editor);
}

int ParseTaskNumber(const std::string& text, int count, bool allowEnd) {
  int number = 0;
  if (!ParseNumber(text, number) || number < 1) {
    throw UsageError("task number '" + Echo(text) + "' is not a whole number from 1");
  }
  const int last = allowEnd ? count + 1 : count;
  if (number > last) {
    throw InputError("there is no task " + Echo(text) + ": the list has " + std::to_string(count) +
                     (count == 1 ? " task" : " tasks"));
  }
  return number - 1;
}

}  // namespace tvqcli
