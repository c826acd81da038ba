// The texts that the list shows for a task, and the rules shared by the list, the editor flows, the sort and tvq.
#pragma once

#include <string_view>

#include "doc/TaskItem.h"
#include "platform/core/CString.h"

namespace tasktext {

// Built-in texts (code-page-932 bytes converted through the ANSI code page).
CString SubjectDefault();   // "件名"
CString NoDueDateLabel();   // "期限なし"
CString NoDueDateYear();    // "2100"
CString EmptyValueMark();   // byte 0xDF through the ANSI code page (U+FF9F in 932)
CString ColumnHeader(int column);  // "件名", "期限", "!", "メモ"

// Format(VAR_DATEVALUEONLY, LANG_USER_DEFAULT) of the due date.
CString DateText(const COleDateTime& dueDate);
// The first four characters (the whole text when shorter) are exactly "2100".
bool IsNoDueDateText(const CString& dateText);
// Column 1: the date text, or "期限なし" when it passes the no-due-date test.
CString DueColumnText(const COleDateTime& dueDate);

// Column 0 shows at most 127 code units, never splitting a surrogate pair.
CString SubjectColumnText(const CString& subject);

// The same two texts without a copy of their own, for a fill of many rows: the subject's own units, and the
// due text kept for the calling thread until its next call.
std::u16string_view SubjectColumnView(const CString& subject);
const CString& DueColumnTextRef(const COleDateTime& dueDate);

// The priority letters of choices 1..4, as the program's bytes (ASCII, the same in every ANSI code page).
inline constexpr std::string_view kPriorityLetters = "ABCP";

// Priority text -> editor choices: letter 1..4 (A, B, C, P; else 1) from the first character, digit 1..9 or 0
// (else 1) from the last character.
int PriorityLetterChoice(const CString& priority);
int PriorityDigitChoice(const CString& priority);
// The choice a row of the editor's priority buttons stands for: a value without a button of its own counts as
// its first button, letter 1 ("Ａ") and digit 1 ("１").
int ShownLetterChoice(int letter);
int ShownDigitChoice(int digit);
// Editor choices -> priority text, through the choices shown: letter 1..4 -> A, B, C, P; digit 0..9 -> "0".."9".
CString PriorityFromChoices(int letter, int digit);

// Sort key of a column: 0 subject, 1 date text (before "期限なし"), 2 priority, 3 memo (empty ones become the
// empty-value mark); any other column gives the empty key.
CString SortKey(const TaskItem& task, int column);

}  // namespace tasktext
