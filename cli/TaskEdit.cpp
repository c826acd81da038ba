#include "cli/TaskEdit.h"

#include <cerrno>
#include <charconv>

#include "cli/Cli.h"
#include "cli/Json.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskText.h"

namespace tvqcli {

EditorMembers NewTaskMembers() {
  EditorMembers members;
  SYSTEMTIME now;
  members.dueDate = GetLocalTime(&now) ? COleDateTime(now) : COleDateTime(0.0, COleDateTime::invalid);
  return members;
}

EditorMembers EditTaskMembers(const TaskItem& workTask) {
  EditorMembers members;
  members.subject = workTask.subject;
  members.memo = workTask.memo;
  members.priorityLetter = tasktext::PriorityLetterChoice(workTask.priority);
  members.priorityDigit = tasktext::PriorityDigitChoice(workTask.priority);
  if (tasktext::IsNoDueDateText(tasktext::DateText(workTask.dueDate))) {
    members.dueDate = NoDueDateValue();
    return members;
  }
  SYSTEMTIME shown;
  if (workTask.dueDate.GetStatus() == COleDateTime::valid && workTask.dueDate.GetAsSystemTime(shown)) {
    members.dueDate = COleDateTime(shown);
  } else {
    members.dueDate = COleDateTime::GetCurrentTime();  // the picker keeps the value it started with
  }
  return members;
}

void StoreMembers(const EditorMembers& members, TaskItem& workTask) {
  workTask.subject = members.subject;
  workTask.dueDate = members.dueDate;
  workTask.priority = tasktext::PriorityFromChoices(members.priorityLetter, members.priorityDigit);
  workTask.memo = members.memo;
}

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

DueChoice ParseDue(const std::string& text) {
  DueChoice due;
  if (text == "none") {
    due.none = true;
    return due;
  }
  const char* const message = "--due takes a date YYYY-MM-DD or none";
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') throw UsageError(message);
  if (!ParseNumber(std::string_view(text).substr(0, 4), due.year) ||
      !ParseNumber(std::string_view(text).substr(5, 2), due.month) ||
      !ParseNumber(std::string_view(text).substr(8, 2), due.day)) {
    throw UsageError(message);
  }
  COleDateTime check;
  if (check.SetDate(due.year, due.month, due.day) != COleDateTime::valid) {
    throw UsageError("--due " + text + " is not a date");
  }
  return due;
}

void ApplyDue(const DueChoice& due, EditorMembers& members) {
  if (due.none) {
    members.dueDate = NoDueDateValue();
    return;
  }
  // Picking a day in the picker keeps the time of day it shows.
  SYSTEMTIME shown;
  if (!members.dueDate.GetAsSystemTime(shown)) shown = SYSTEMTIME{};
  members.dueDate.SetDateTime(due.year, due.month, due.day, shown.wHour, shown.wMinute, shown.wSecond);
}

void ApplyPriority(const std::string& text, EditorMembers& members) {
  static constexpr std::string_view kLetters = "ABCP";
  const std::size_t letter = text.size() == 2 ? kLetters.find(text[0]) : std::string_view::npos;
  if (letter == std::string_view::npos || text[1] < '0' || text[1] > '9') {
    throw UsageError("--priority takes a letter A, B, C or P and a digit, such as A1 or P0");
  }
  members.priorityLetter = static_cast<int>(letter) + 1;
  members.priorityDigit = text[1] - '0';
}

CString ArgumentText(const std::string& utf8, const char* option) {
  std::u16string text;
  if (!tvqjson::Utf8ToUtf16(utf8, text)) throw UsageError(std::string(option) + " is not valid UTF-8");
  return CString(std::move(text));
}

void ApplyTextOptions(const ParsedArguments& parsed, EditorMembers& members) {
  if (const auto* subject = parsed.Value("subject")) members.subject = ArgumentText(*subject, "--subject");
  if (const auto* memo = parsed.Value("memo")) members.memo = ArgumentText(*memo, "--memo");
  if (const auto* priority = parsed.Value("priority")) ApplyPriority(*priority, members);
}

int ParseTaskNumber(const std::string& text, int count, bool allowEnd) {
  int number = 0;
  if (!ParseNumber(text, number) || number < 1) {
    throw UsageError("task number '" + text + "' is not a whole number from 1");
  }
  const int last = allowEnd ? count + 1 : count;
  if (number > last) {
    throw InputError("there is no task " + text + ": the list has " + std::to_string(count) +
                     (count == 1 ? " task" : " tasks"));
  }
  return number - 1;
}

void SwapTasks(CTarvelquistDoc& document, int first, int second) {
  document.SelectTask(first);
  TaskItem a;
  a.CopyFieldsFrom(document.workTask);
  document.SelectTask(second);
  TaskItem b;
  b.CopyFieldsFrom(document.workTask);
  document.workTask.CopyFieldsFrom(a);
  document.ReplaceTask(second);
  document.workTask.CopyFieldsFrom(b);
  document.ReplaceTask(first);
}

}  // namespace tvqcli
