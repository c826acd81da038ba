// One task as one VTODO (RFC 5545), both ways, on libical: the mapping that the iCalendar export and import and
// the CalDAV sync share.
//
// SUMMARY is the subject, DESCRIPTION the memo (line breaks as \n; read back as the memo's CR LF), DUE the due
// date: a date (DUE;VALUE=DATE) as the list shows it, none for a task without a due date; a DATE-TIME read is
// taken in local time (UTC and TZID converted, floating as it is). PRIORITY follows RFC 5545's bands: letter A
// 1-4, B 5, C 6-9, P and an empty priority 0 (other letters count as A, as the editor shows them); within A and
// C the last digit picks the step (0-2 first, 3-4 second, 5-6 third, 7-9 fourth). The list's order goes into
// X-APPLE-SORT-ORDER.
//
// What a standard property cannot carry exactly (a due date's time of day, a line break other than CR LF, a
// control character, the digit of a priority) goes beside it in an X-TARVELQUIST- property, read back only
// while the standard property still says what was written with it, so an edit by another program wins and an
// item we wrote comes back with the same bytes.
#pragma once

#include <libical/ical.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "doc/TaskItem.h"

namespace tvqcli {

// Owned libical objects.
struct IcalComponentFree {
  void operator()(icalcomponent* component) const;
};
using IcalComponentPtr = std::unique_ptr<icalcomponent, IcalComponentFree>;

// The name of a component's kind ("VALARM"); a kind libical does not know has none of its own.
std::string ComponentName(icalcomponent_kind kind);

// Sets SUMMARY, DUE, DESCRIPTION, PRIORITY, X-TARVELQUIST-PRIORITY (and X-APPLE-SORT-ORDER when given) from the
// task, with the X-TARVELQUIST- properties that an exact round trip needs; every other property and
// sub-component (VALARM, RRULE, CATEGORIES, other programs' X- properties, the status) stays as it is.
void WriteTaskToVtodo(icalcomponent* vtodo, const TaskItem& task, std::optional<int> sortOrder);

// A task is never copied as an object, so the read result is built in place (returned as a prvalue).
struct VtodoTask {
  explicit VtodoTask(const icalcomponent* vtodo);
  TaskItem task;
  bool completed = false;  // STATUS:COMPLETED, a COMPLETED time or PERCENT-COMPLETE:100
  std::optional<long long> sortOrder;  // X-APPLE-SORT-ORDER
  std::vector<std::string> ignored;    // names of what has no place in a task, once per occurrence
};
inline VtodoTask ReadTaskFromVtodo(const icalcomponent* vtodo) { return VtodoTask(vtodo); }

// RFC 5545 PRIORITY of a priority text, and the priority text of a PRIORITY (the first digit of its step).
int IcsPriority(std::u16string_view priority);
std::u16string PriorityFromIcs(int priority);

}  // namespace tvqcli
