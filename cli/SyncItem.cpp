// Every change goes through the whole calendar parsed by libical: the first VTODO is written with the task,
// its completion set, and DTSTAMP, LAST-MODIFIED and SEQUENCE moved on so other programs see the change.
#include "cli/SyncItem.h"

#include <QUuid>
#include <ctime>

#include "cli/IcsTask.h"
#include "cli/SyncPlan.h"

namespace tvqcli {
namespace {

IcalComponentPtr Parse(std::string_view ics) {
  const std::string text(ics);
  IcalComponentPtr root(icalparser_parse_string(text.c_str()));
  icalerror_set_errno(ICAL_NO_ERROR);
  if (!root) return nullptr;
  if (icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT && icalcomponent_isa(root.get()) != ICAL_VTODO_COMPONENT) {
    return nullptr;
  }
  return root;
}

icalcomponent* FirstTodo(icalcomponent* root) {
  if (icalcomponent_isa(root) == ICAL_VTODO_COMPONENT) return root;
  return icalcomponent_get_first_component(root, ICAL_VTODO_COMPONENT);
}

void RemoveAll(icalcomponent* vtodo, icalproperty_kind kind) {
  while (icalproperty* property = icalcomponent_get_first_property(vtodo, kind)) {
    icalcomponent_remove_property(vtodo, property);
    icalproperty_free(property);
  }
}

void SetCompletion(icalcomponent* vtodo, ItemCompletion completion) {
  if (completion == ItemCompletion::keep) return;
  RemoveAll(vtodo, ICAL_STATUS_PROPERTY);
  RemoveAll(vtodo, ICAL_COMPLETED_PROPERTY);
  RemoveAll(vtodo, ICAL_PERCENTCOMPLETE_PROPERTY);
  if (completion == ItemCompletion::reopen) {
    icalcomponent_add_property(vtodo, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    return;
  }
  icalcomponent_add_property(vtodo, icalproperty_new_status(ICAL_STATUS_COMPLETED));
  icalcomponent_add_property(vtodo, icalproperty_new_completed(icaltime_from_timet_with_zone(std::time(nullptr), 0, icaltimezone_get_utc_timezone())));
  icalcomponent_add_property(vtodo, icalproperty_new_percentcomplete(100));
}

// Another program reads the change by these: the time of the change and a higher sequence number.
void Stamp(icalcomponent* vtodo) {
  const icaltimetype now = icaltime_from_timet_with_zone(std::time(nullptr), 0, icaltimezone_get_utc_timezone());
  RemoveAll(vtodo, ICAL_DTSTAMP_PROPERTY);
  RemoveAll(vtodo, ICAL_LASTMODIFIED_PROPERTY);
  icalcomponent_add_property(vtodo, icalproperty_new_dtstamp(now));
  icalcomponent_add_property(vtodo, icalproperty_new_lastmodified(now));
  const icalproperty* sequence = icalcomponent_get_first_property(vtodo, ICAL_SEQUENCE_PROPERTY);
  const int next = sequence ? icalproperty_get_sequence(sequence) + 1 : 1;
  RemoveAll(vtodo, ICAL_SEQUENCE_PROPERTY);
  icalcomponent_add_property(vtodo, icalproperty_new_sequence(next));
}

std::string Text(icalcomponent* root) {
  char* text = icalcomponent_as_ical_string_r(root);
  std::string out = text ? text : "";
  std::free(text);
  return out;
}

}  // namespace

std::optional<ItemTask> ReadItemTask(std::string_view ics) {
  const IcalComponentPtr root = Parse(ics);
  if (!root) return std::nullopt;
  icalcomponent* vtodo = FirstTodo(root.get());
  if (!vtodo) return std::nullopt;
  const VtodoTask read = ReadTaskFromVtodo(vtodo);
  ItemTask item;
  item.task = CopyTask(read.task);
  item.completed = read.completed;
  if (const char* uid = icalcomponent_get_uid(vtodo)) item.uid = uid;
  return item;
}

std::optional<std::string> PatchItem(std::string_view ics, const TaskItem& task, std::optional<int> sortOrder,
                                     ItemCompletion completion) {
  const IcalComponentPtr root = Parse(ics);
  icalcomponent* vtodo = root ? FirstTodo(root.get()) : nullptr;
  if (!vtodo) return std::nullopt;
  WriteTaskToVtodo(vtodo, task, sortOrder);
  SetCompletion(vtodo, completion);
  Stamp(vtodo);
  return Text(root.get());
}

std::string NewItem(const std::string& uid, const TaskItem& task, int sortOrder) {
  IcalComponentPtr root(icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                                            icalproperty_new_prodid("-//VORNAKEL//Tarvelquist//JA"), nullptr));
  icalcomponent* vtodo = icalcomponent_new(ICAL_VTODO_COMPONENT);
  icalcomponent_add_property(vtodo, icalproperty_new_uid(uid.c_str()));
  icalcomponent_add_property(vtodo, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
  icalcomponent_add_component(root.get(), vtodo);
  WriteTaskToVtodo(vtodo, task, sortOrder);
  Stamp(vtodo);
  return Text(root.get());
}

std::string NewUid() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString(); }

}  // namespace tvqcli
