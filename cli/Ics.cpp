// Whole calendars through libical: each task's VTODO with a UID from its place and a hash of its fields and a
// stamp that SOURCE_DATE_EPOCH can fix; reading collects the VTODOs of every VCALENDAR and what it ignored.
#include "cli/Ics.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "cli/IcalLibrary.h"
#include "cli/IcsTask.h"
#include "doc/CTarvelquistDoc.h"

namespace tvqcli {
namespace {

struct IcalBufferFree {
  void operator()(char* buffer) const { Ical().icalmemory_free_buffer(buffer); }
};

std::string AsText(icalcomponent* component) {
  const std::unique_ptr<char, IcalBufferFree> text(Ical().icalcomponent_as_ical_string_r(component));
  return text ? std::string(text.get()) : std::string();
}

std::time_t StampTime() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    const long long value = std::strtoll(epoch, &end, 10);
    if (end && *end == '\0' && end != epoch) now = static_cast<std::time_t>(value);
  }
  return now;
}

// A stable identifier: the task's place and a hash of its fields.
std::string Uid(int index, const TaskItem& task) {
  std::uint64_t hash = 1469598103934665603ull;
  auto mix = [&hash](std::u16string_view text) {
    for (const char16_t unit : text) {
      hash = (hash ^ (unit & 0xFF)) * 1099511628211ull;
      hash = (hash ^ (unit >> 8)) * 1099511628211ull;
    }
    hash = (hash ^ 0xFF) * 1099511628211ull;
  };
  mix(task.subject.view());
  mix(task.priority.view());
  mix(task.memo.view());
  hash ^= DateBits(task.dueDate.m_dt) + static_cast<std::uint32_t>(task.dueDate.GetStatus());
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "tvq-%d-%016llx@tarvelquist", index + 1, static_cast<unsigned long long>(hash));
  return buffer;
}

// Writes a whole calendar: the head, then each VTODO as the callback is asked for it, then the end.
class IcsWriter {
 public:
  static constexpr std::string_view kEnd = "END:VCALENDAR\r\n";

  IcsWriter() : m_stamp(Ical().icaltime_from_timet_with_zone(StampTime(), 0, Ical().icaltimezone_get_utc_timezone())) {}

  std::string Head() const {
    const IcalFunctions& ical = Ical();
    const IcalComponentPtr calendar(ical.icalcomponent_new_vcalendar());
    ical.icalcomponent_add_property(calendar.get(), ical.icalproperty_new_version("2.0"));
    ical.icalcomponent_add_property(calendar.get(),
                                    ical.icalproperty_new_prodid("-//VORNAKEL//Tarvelquist " TVQ_VERSION "//JA"));
    std::string text = AsText(calendar.get());
    text.resize(text.size() - kEnd.size());
    return text;
  }

  std::string Vtodo(int index, const TaskItem& task) const {
    const IcalComponentPtr vtodo(Ical().icalcomponent_new_vtodo());
    Ical().icalcomponent_add_property(vtodo.get(), Ical().icalproperty_new_uid(Uid(index, task).c_str()));
    Ical().icalcomponent_add_property(vtodo.get(), Ical().icalproperty_new_dtstamp(m_stamp));
    WriteTaskToVtodo(vtodo.get(), task, index + 1);
    return AsText(vtodo.get());
  }

 private:
  icaltimetype m_stamp;
};

// The calendars in a parsed text: the root itself, or each VCALENDAR under the root that holds several.
std::vector<icalcomponent*> Calendars(icalcomponent* root) {
  if (Ical().icalcomponent_isa(root) != ICAL_XROOT_COMPONENT) return {root};
  std::vector<icalcomponent*> calendars;
  for (icalcomponent* child = Ical().icalcomponent_get_first_component(root, ICAL_ANY_COMPONENT); child;
       child = Ical().icalcomponent_get_next_component(root, ICAL_ANY_COMPONENT)) {
    calendars.push_back(child);
  }
  return calendars;
}

// The VTODOs of a calendar (or the VTODO itself); other components are named in ignored.
void CollectVtodos(icalcomponent* calendar, std::vector<icalcomponent*>& vtodos, std::vector<std::string>& ignored) {
  const icalcomponent_kind kind = Ical().icalcomponent_isa(calendar);
  if (kind == ICAL_VTODO_COMPONENT) {
    vtodos.push_back(calendar);
    return;
  }
  if (kind != ICAL_VCALENDAR_COMPONENT) {
    ignored.emplace_back(ComponentName(kind));
    return;
  }
  for (icalcomponent* child = Ical().icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); child;
       child = Ical().icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
    const icalcomponent_kind childKind = Ical().icalcomponent_isa(child);
    if (childKind == ICAL_VTODO_COMPONENT) {
      vtodos.push_back(child);
    } else if (childKind != ICAL_VTIMEZONE_COMPONENT) {  // time zones are read with the dates that name them
      ignored.emplace_back(ComponentName(childKind));
    }
  }
}

}  // namespace

std::string TasksToIcs(const std::vector<const TaskItem*>& tasks) {
  const IcsWriter writer;
  std::string text = writer.Head();
  for (std::size_t i = 0; i < tasks.size(); ++i) text += writer.Vtodo(static_cast<int>(i), *tasks[i]);
  text += IcsWriter::kEnd;
  return text;
}

void WriteTasksIcs(Output& out, const CTarvelquistDoc& document) {
  const IcsWriter writer;
  out.Buffer() += writer.Head();
  for (int i = 0; i < document.GetTaskCount(); ++i) {
    out.Buffer() += writer.Vtodo(i, document.TaskAt(i));
    out.MaybeFlush();
  }
  out.Buffer() += IcsWriter::kEnd;
  out.Flush();
}

IcsTasks ReadTasksIcs(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) throw IcsError("not iCalendar: the text holds a NUL byte");
  const std::string terminated(text);
  const IcalComponentPtr root(Ical().icalparser_parse_string(terminated.c_str()));
  if (!root) throw IcsError("not iCalendar: no BEGIN:VCALENDAR found");
  IcsTasks read;
  std::vector<icalcomponent*> vtodos;
  bool anyCalendar = false;
  for (icalcomponent* calendar : Calendars(root.get())) {
    const icalcomponent_kind kind = Ical().icalcomponent_isa(calendar);
    anyCalendar = anyCalendar || kind == ICAL_VCALENDAR_COMPONENT || kind == ICAL_VTODO_COMPONENT;
    CollectVtodos(calendar, vtodos, read.ignored);
  }
  if (!anyCalendar) throw IcsError("not iCalendar: no VCALENDAR or VTODO in it");
  read.tasks = std::vector<TaskItem>(vtodos.size());
  read.completed.reserve(vtodos.size());
  for (std::size_t i = 0; i < vtodos.size(); ++i) {
    VtodoTask item = ReadTaskFromVtodo(vtodos[i]);
    read.tasks[i].CopyFieldsFrom(item.task);
    read.completed.push_back(item.completed);
    read.ignored.insert(read.ignored.end(), item.ignored.begin(), item.ignored.end());
  }
  return read;
}

}  // namespace tvqcli
