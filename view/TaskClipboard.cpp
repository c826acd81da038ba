// Copying writes the three forms with tvq's own JSON and calendar writers; pasting reads through them too, each
// form read whole or not at all, and plain text as one new task per non-empty line, its subject the line.
#include "view/TaskClipboard.h"

#include <exception>
#include <new>

#include "cli/Display.h"
#include "cli/Ics.h"
#include "cli/TaskJson.h"
#include "doc/TaskEditor.h"
#include "doc/TaskText.h"

namespace taskclipboard {
namespace {

// Thrown from inside a reader when a form holds more tasks than a paste takes.
struct TooManyTasks {};

std::unique_ptr<TaskItem> CopyOf(const TaskItem& task) {
  auto copy = std::make_unique<TaskItem>();
  copy->CopyFieldsFrom(task);
  return copy;
}

void AddTask(Tasks& tasks, std::unique_ptr<TaskItem> task) {
  if (tasks.size() >= kMaxPastedTasks) throw TooManyTasks{};
  tasks.push_back(std::move(task));
}

Pasted Finished(Tasks tasks) {
  if (tasks.empty()) return {};
  return {Outcome::tasks, std::move(tasks)};
}

// Runs a reader that fills `tasks`; whatever goes wrong leaves no task.
template <typename Reader>
Pasted ReadWhole(Reader&& reader) {
  Tasks tasks;
  try {
    reader(tasks);
  } catch (const TooManyTasks&) {
    return {Outcome::tooMany, {}};
  } catch (const std::exception&) {  // malformed data, exhausted memory
    return {};
  }
  return Finished(std::move(tasks));
}

}  // namespace

std::string TasksJson(const std::vector<const TaskItem*>& tasks) {
  std::string json = "{\"tasks\":[";
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    if (i > 0) json.push_back(',');
    tvqcli::AppendTaskJson(json, *tasks[i]);
  }
  json.append("]}\n");
  return json;
}

std::string PlainText(const std::vector<const TaskItem*>& tasks) {
  std::string text;
  for (const TaskItem* task : tasks) {
    text += tvqcli::TerminalText(tasktext::SubjectColumnText(task->subject).view());
    text += '\t';
    text += tvqcli::TerminalText(tasktext::DueColumnText(task->dueDate).view());
    text += '\t';
    text += tvqcli::TerminalText(task->priority.view());
    text += '\t';
    text += tvqcli::TerminalText(task->memo.view());
    text += '\n';
  }
  return text;
}

std::vector<platform::ClipboardForm> FormsOf(const std::vector<const TaskItem*>& tasks) {
  return {{std::string(kTasksType), TasksJson(tasks)},
          {std::string(kCalendarType), tvqcli::TasksToIcs(tasks)},
          {std::string(kPlainTextType), PlainText(tasks)}};
}

Pasted TasksFromJson(std::string_view json) {
  return ReadWhole([json](Tasks& tasks) {
    tvqcli::ReadTasksJson(json, [&tasks](const TaskItem& task) { AddTask(tasks, CopyOf(task)); });
  });
}

Pasted TasksFromCalendar(std::string_view text) {
  return ReadWhole([text](Tasks& tasks) {
    const tvqcli::IcsTasks read = tvqcli::ReadTasksIcs(text);
    if (read.tasks.size() > kMaxPastedTasks) throw TooManyTasks{};
    tasks.reserve(read.tasks.size());
    for (const TaskItem& task : read.tasks) AddTask(tasks, CopyOf(task));
  });
}

Pasted TasksFromPlainText(std::string_view text) {
  return ReadWhole([text](Tasks& tasks) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find_first_of("\r\n", start);
      if (end == std::string_view::npos) end = text.size();
      if (end > start) {
        TaskEditorMembers editor;
        taskeditor::StartNewTask(editor);
        editor.m_subject = CString::FromUtf8(text.substr(start, end - start));
        auto task = std::make_unique<TaskItem>();
        taskeditor::Confirm(editor, *task);
        AddTask(tasks, std::move(task));
      }
      start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
  });
}

Pasted ReadTasks(const std::function<std::optional<std::string>(std::string_view mimeType)>& read) {
  using FormReader = Pasted (*)(std::string_view);
  const std::pair<std::string_view, FormReader> preference[] = {
      {kTasksType, &TasksFromJson},
      {kCalendarType, &TasksFromCalendar},
      {kPlainTextType, &TasksFromPlainText},
  };
  for (const auto& [type, reader] : preference) {
    const std::optional<std::string> bytes = read(type);
    if (!bytes) continue;
    Pasted pasted = reader(*bytes);
    if (pasted.outcome != Outcome::unusable) return pasted;
  }
  return {};
}

}  // namespace taskclipboard
