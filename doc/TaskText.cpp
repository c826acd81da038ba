// The built-in texts decoded from their code-page-932 bytes, per thread and code page; the due column's text
// formatted into kept storage; the priority split into the editor's choices and rebuilt from them.
#include "doc/TaskText.h"

#include <array>
#include <string_view>

#include "platform/core/Locale.h"
#include "platform/core/Utf.h"

namespace tasktext {
namespace {

// The built-in texts as the code-page-932 bytes the program was written with.
constexpr std::string_view kSubjectBytes = "\x8C\x8F\x96\xBC";                    // 件名
constexpr std::string_view kNoDueDateBytes = "\x8A\xFA\x8C\xC0\x82\xC8\x82\xB5";  // 期限なし
constexpr std::string_view kYearBytes = "2100";
constexpr std::string_view kEmptyMarkBytes = "\xDF";
constexpr std::array<std::string_view, 4> kHeaderBytes = {
    "\x8C\x8F\x96\xBC",  // 件名
    "\x8A\xFA\x8C\xC0",  // 期限
    "!",
    "\x83\x81\x83\x82",  // メモ
};
constexpr std::string_view kDigitBytes = "1234567890";  // choices 1..9, then 0

// The converted texts depend only on the ANSI code page, which is fixed for the process in normal use; the
// cache follows it anyway so that a changed setting (tests reload the locale) is picked up.
struct BuiltIns {
  unsigned codePage = 0;
  CString subject;
  CString noDueDate;
  CString year;
  CString emptyMark;
  std::array<CString, 4> headers;
  std::array<char16_t, kPriorityLetters.size()> letters{};  // A, B, C, P
  std::array<char16_t, 10> digits{};  // 1..9, 0
};

char16_t SingleUnit(std::string_view byte) {
  const CString converted = platform::FromAnsi(byte);
  return converted.IsEmpty() ? u'\0' : converted[0];
}

const BuiltIns& Texts() {
  thread_local BuiltIns cache;
  const unsigned codePage = platform::GetLocaleSettings().ansiCodePage;
  if (cache.codePage == codePage && !cache.subject.IsEmpty()) return cache;
  cache.codePage = codePage;
  cache.subject = platform::FromAnsi(kSubjectBytes);
  cache.noDueDate = platform::FromAnsi(kNoDueDateBytes);
  cache.year = platform::FromAnsi(kYearBytes);
  cache.emptyMark = platform::FromAnsi(kEmptyMarkBytes);
  for (std::size_t i = 0; i < kHeaderBytes.size(); ++i) cache.headers[i] = platform::FromAnsi(kHeaderBytes[i]);
  for (std::size_t i = 0; i < kPriorityLetters.size(); ++i) {
    cache.letters[i] = SingleUnit(kPriorityLetters.substr(i, 1));
  }
  for (std::size_t i = 0; i < kDigitBytes.size(); ++i) cache.digits[i] = SingleUnit(kDigitBytes.substr(i, 1));
  return cache;
}

constexpr int kSubjectColumnUnits = 127;  // a 128-unit buffer with its terminating zero

}  // namespace

CString SubjectDefault() { return Texts().subject; }
CString NoDueDateLabel() { return Texts().noDueDate; }
CString NoDueDateYear() { return Texts().year; }
CString EmptyValueMark() { return Texts().emptyMark; }

CString ColumnHeader(int column) {
  if (column < 0 || column >= static_cast<int>(kHeaderBytes.size())) return {};
  return Texts().headers[static_cast<std::size_t>(column)];
}

CString DateText(const COleDateTime& dueDate) { return dueDate.Format(VAR_DATEVALUEONLY, LANG_USER_DEFAULT); }

bool IsNoDueDateText(const CString& dateText) {
  const std::u16string_view year = Texts().year.view();
  return dateText.view().substr(0, 4) == year;
}

const CString& DueColumnTextRef(const COleDateTime& dueDate) {
  thread_local CString text;
  // A valid date is formatted into the kept text's own storage; the other statuses as Format makes them.
  if (dueDate.GetStatus() != COleDateTime::valid ||
      !VarBstrFromDate(dueDate.m_dt, LANG_USER_DEFAULT, VAR_DATEVALUEONLY, &text)) {
    text = DateText(dueDate);
  }
  if (IsNoDueDateText(text)) return Texts().noDueDate;
  return text;
}

CString DueColumnText(const COleDateTime& dueDate) { return DueColumnTextRef(dueDate); }

std::u16string_view SubjectColumnView(const CString& subject) {
  const std::u16string_view text = subject.view();
  if (text.size() <= kSubjectColumnUnits) return text;
  std::size_t cut = kSubjectColumnUnits;
  if (platform::IsHighSurrogate(text[cut - 1]) && platform::IsLowSurrogate(text[cut])) --cut;
  return text.substr(0, cut);
}

CString SubjectColumnText(const CString& subject) { return CString(SubjectColumnView(subject)); }

int PriorityLetterChoice(const CString& priority) {
  if (priority.IsEmpty()) return 1;
  const auto& letters = Texts().letters;
  for (std::size_t i = 0; i < letters.size(); ++i) {
    if (priority[0] == letters[i]) return static_cast<int>(i) + 1;
  }
  return 1;
}

int PriorityDigitChoice(const CString& priority) {
  if (priority.IsEmpty()) return 1;
  const char16_t last = priority[priority.GetLength() - 1];
  const auto& digits = Texts().digits;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (last == digits[i]) return i < 9 ? static_cast<int>(i) + 1 : 0;
  }
  return 1;
}

int ShownLetterChoice(int letter) { return letter >= 1 && letter <= 4 ? letter : 1; }

int ShownDigitChoice(int digit) { return digit >= 0 && digit <= 9 ? digit : 1; }

CString PriorityFromChoices(int letter, int digit) {
  const BuiltIns& texts = Texts();
  const int shownDigit = ShownDigitChoice(digit);
  const char16_t units[2] = {texts.letters[static_cast<std::size_t>(ShownLetterChoice(letter) - 1)],
                             texts.digits[static_cast<std::size_t>(shownDigit == 0 ? 9 : shownDigit - 1)]};
  return CString(units, 2);
}

CString SortKey(const TaskItem& task, int column) {
  switch (column) {
    case 0:
      return task.subject;
    case 1:
      return DateText(task.dueDate);
    case 2:
      return task.priority.IsEmpty() ? Texts().emptyMark : task.priority;
    case 3:
      return task.memo.IsEmpty() ? Texts().emptyMark : task.memo;
    default:
      return {};
  }
}

}  // namespace tasktext
