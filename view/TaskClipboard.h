// The forms in which tasks go to the clipboard and come back: the program's own lossless form (the JSON of
// tvq dump), text/calendar (a VCALENDAR with one VTODO per task, as tvq export writes it) and plain text (one
// line per task, the list's four columns separated by tabs). Pasting prefers the own form, then a calendar,
// then plain text; a clipboard with more than kMaxPastedTasks tasks, or nothing usable, gives nothing at all.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "doc/TaskItem.h"
#include "platform/ui/Clipboard.h"

namespace taskclipboard {

inline constexpr std::string_view kTasksType = "application/x-tarvelquist-tasks";
inline constexpr std::string_view kCalendarType = "text/calendar";
inline constexpr std::string_view kPlainTextType = "text/plain";
inline constexpr std::size_t kMaxPastedTasks = 100000;

using Tasks = std::vector<std::unique_ptr<TaskItem>>;

enum class Outcome { tasks, unusable, tooMany };
struct Pasted {
  Outcome outcome = Outcome::unusable;
  Tasks tasks;  // only with Outcome::tasks, never empty then
};

// Every form of these tasks, in list order.
std::vector<platform::ClipboardForm> FormsOf(const std::vector<const TaskItem*>& tasks);
std::string TasksJson(const std::vector<const TaskItem*>& tasks);
// A line per task: the subject, due and priority columns as the list shows them and the memo, separated by
// tabs; line breaks, tabs and other controls in a text shown as tvq list shows them.
std::string PlainText(const std::vector<const TaskItem*>& tasks);

// One form read whole, or unusable (malformed, no task) or too many: never a part of it.
Pasted TasksFromJson(std::string_view json);
// Every VTODO of any program's calendar text (completed ones too), mapped as tvq reads iCalendar.
Pasted TasksFromCalendar(std::string_view text);
// Each non-empty line (CR LF, LF or CR ends one) becomes the task that the editor stores for a new task with
// that line as its subject.
Pasted TasksFromPlainText(std::string_view text);

// The clipboard's tasks, from the most preferred form that is there and usable; `read` gives a form's bytes.
// Too many tasks in a form ends the search: nothing is pasted.
Pasted ReadTasks(const std::function<std::optional<std::string>(std::string_view mimeType)>& read);

}  // namespace taskclipboard
