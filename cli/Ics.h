// iCalendar (RFC 5545) text of a whole list, on libical: tvq export and import --format ics, the window's
// clipboard and the CalDAV sync. One VTODO per task (cli/IcsTask.h holds the mapping), CRLF line ends, lines
// folded at 75 octets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/Errors.h"
#include "cli/Output.h"
#include "doc/TaskItem.h"

class CTarvelquistDoc;

namespace tvqcli {

// Text that is not iCalendar; the message names what is wrong.
class IcsError : public InputError {
 public:
  using InputError::InputError;
};

// The VCALENDAR text of these tasks, exactly as tvq export --format ics writes a whole list: per task a UID from
// its place and fields, DTSTAMP (now, or SOURCE_DATE_EPOCH when that is set, for reproducible output) and the
// task's properties, with X-APPLE-SORT-ORDER its place (1, 2, ...).
std::string TasksToIcs(const std::vector<const TaskItem*>& tasks);
// The same for every task of the document, written as it goes.
void WriteTasksIcs(Output& out, const CTarvelquistDoc& document);

struct IcsTasks {
  std::vector<TaskItem> tasks;       // every VTODO, in the text's order, completed ones included
  std::vector<bool> completed;       // parallel to tasks
  std::vector<std::string> ignored;  // names of properties and components that have no place in a task
};
// Every VTODO of any program's VCALENDAR text (one or several calendars, or a bare VTODO). Throws IcsError when
// the text is not iCalendar.
IcsTasks ReadTasksIcs(std::string_view text);

}  // namespace tvqcli
