// libFuzzer target for the iCalendar reader: any bytes go through ReadTasksIcs, as another program's calendar or
// a server's item would. What it reads must write and read back to the same tasks, and a task patched into each
// VTODO read must come back as that task.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "cli/Ics.h"
#include "cli/IcsTask.h"
#include "doc/TaskAlign.h"
#include "platform/core/Locale.h"
#include "res/ProgramResources.h"

namespace {

void CheckRoundTrip(const tvqcli::IcsTasks& read) {
  std::vector<const TaskItem*> tasks;
  for (const TaskItem& task : read.tasks) tasks.push_back(&task);
  const tvqcli::IcsTasks again = tvqcli::ReadTasksIcs(tvqcli::TasksToIcs(tasks));
  if (again.tasks.size() != read.tasks.size() || !again.ignored.empty()) std::abort();
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    if (!TasksEqual(again.tasks[i], *tasks[i]) || again.completed[i]) std::abort();
  }
}

// Writes the first task read into every VTODO of the parsed text and reads it back.
void CheckPatch(std::string_view text, const TaskItem& task) {
  const std::string terminated(text);
  const tvqcli::IcalComponentPtr root(icalparser_parse_string(terminated.c_str()));
  if (!root) return;
  for (icalcomponent* vtodo = icalcomponent_get_first_component(root.get(), ICAL_VTODO_COMPONENT); vtodo;
       vtodo = icalcomponent_get_next_component(root.get(), ICAL_VTODO_COMPONENT)) {
    tvqcli::WriteTaskToVtodo(vtodo, task, 7);
    const tvqcli::VtodoTask patched = tvqcli::ReadTaskFromVtodo(vtodo);
    if (!TasksEqual(patched.task, task) || patched.sortOrder != 7) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv((std::string(kTarvelquistLocalePrefix) + "_LOCALE").c_str(), "ja_JP", 1);
  platform::SetLocaleVariablePrefix(kTarvelquistLocalePrefix);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const tvqcli::IcsTasks read = tvqcli::ReadTasksIcs(text);
    if (read.completed.size() != read.tasks.size()) std::abort();
    CheckRoundTrip(read);
    if (!read.tasks.empty()) CheckPatch(text, read.tasks.front());
  } catch (const tvqcli::IcsError&) {
    // not iCalendar: refused with a message, as it should be
  }
  return 0;
}
