// The task editor without its window: the members it exchanges with the flows that run it, where they start,
// what its "期限なし" box and its date picker do to them, and what OK stores. CTarvelquistIns shows these members
// in its controls and changes them through these rules; tvq edits tasks through the same rules without a window.
#pragma once

#include "doc/TaskItem.h"

// The editor's exchanged members, named as the dialog's.
struct TaskEditorMembers {
  // A newly built editor: due date now (whole seconds, valid), empty subject and memo, letter 1 ("Ａ"), digit 0
  // ("０"), the box clear.
  TaskEditorMembers();

  COleDateTime m_dueDate;  // 1 January 2100 00:00:00 stands for no due date
  CString m_subject;
  CString m_memo;
  int m_priorityLetter;    // 1 "Ａ", 2 "Ｂ", 3 "Ｃ", 4 "P"; other values are kept until a letter is clicked
  int m_priorityDigit;     // 0 to 9; other values are kept until a digit is clicked
  BOOL m_noDueDate;        // sets the box's first state; no due date leaves the editor only as m_dueDate
};

namespace taskeditor {

// The insert flow's start: the due date now from the local time, invalid when that cannot be had. Nothing else
// is set: the other members keep a new editor's values.
void StartNewTask(TaskEditorMembers& editor);
// The edit flow's start on a task: subject, memo and due date (value and status) as they are, the priority
// choices from the priority text, the box ticked when the date text begins with "2100" (the list's test).
void StartFromTask(TaskEditorMembers& editor, const TaskItem& task);
// OK: the members into the task, the priority as the texts of the two choices (always two characters).
void Confirm(const TaskEditorMembers& editor, TaskItem& task);

// The box's rule, at the editor's start and at every tap on it: ticked, the due date becomes 1 January 2100
// 00:00:00 whatever was shown and the picker is disabled; cleared, the due date stays as it is (the picker still
// shows 1 January 2100 after a tick and a clear). Returns whether the picker is enabled.
bool ApplyNoDueDateBox(TaskEditorMembers& editor);
// A tap that leaves the box ticked or clear, then the box's rule.
void SetNoDueDate(TaskEditorMembers& editor, bool ticked);

// The date picker. It has no "none" state and holds whole seconds from 1 January 100 to 31 December 9999:
// asked to show a date with another status than valid, or outside that range, it refuses and keeps `shown`;
// any other date it shows rounded to the second.
COleDateTime PickerValue(const COleDateTime& requested, const COleDateTime& shown);
// A day picked in the picker's calendar: the picker keeps the time of day it shows.
COleDateTime PickDay(const COleDateTime& shown, int year, int month, int day);

// What the editor's start leaves in the members when its picker first shows `pickerNow` (a new picker shows
// the current time): the picker is given the due date, which it shows or refuses, the members take back what
// it shows, and the box's rule runs. The priority choices are not part of the exchange and stay as they are.
void Open(TaskEditorMembers& editor, const COleDateTime& pickerNow);

}  // namespace taskeditor
