// How each field gets into and out of its property: text that iCalendar would change kept exactly in an X- too,
// the due date written as a DATE and read from a DATE or a zoned DATE-TIME, and what a VTODO holds with no place.
#include "cli/IcsTask.h"

#include <array>
#include <cstdlib>
#include <ctime>

#include "cli/Csv.h"
#include "cli/Errors.h"
#include "cli/IcalLibrary.h"
#include "cli/Json.h"
#include "doc/TaskText.h"
#include "platform/core/Utf.h"

namespace tvqcli {

void IcalComponentFree::operator()(icalcomponent* component) const { Ical().icalcomponent_free(component); }

namespace {

constexpr const char* kExactSubject = "X-TARVELQUIST-SUBJECT";
constexpr const char* kExactDue = "X-TARVELQUIST-DUE";
constexpr const char* kExactPriority = "X-TARVELQUIST-PRIORITY";
constexpr const char* kExactMemo = "X-TARVELQUIST-MEMO";
constexpr const char* kSortOrder = "X-APPLE-SORT-ORDER";
constexpr std::string_view kOurPrefix = "X-TARVELQUIST-";

// The step within a band for each last digit 0..9 (0, as a new task has, with 1 and 2 first; 3-4 second; 5-6
// third; 7-9 fourth), and the digit that each step reads back as.
constexpr std::array<int, 10> kStepOfDigit = {0, 0, 0, 1, 1, 2, 2, 3, 3, 3};
constexpr std::array<int, 4> kDigitOfStep = {1, 3, 5, 7};
// Editor letter choices (tasktext::PriorityLetterChoice) and the first PRIORITY of their bands.
constexpr int kLetterA = 1, kLetterB = 2, kLetterC = 3, kLetterP = 4;
constexpr int kBandA = 1, kBandB = 5, kBandC = 6;

// The text a TEXT value carries: line breaks (CR LF, CR or LF) as LF, other control characters dropped (no
// TEXT value may hold them), unpaired surrogates as U+FFFD.
std::string StandardText(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit == u'\r' || unit == u'\n') {
      if (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out.push_back('\n');
      continue;
    }
    if ((unit < 0x20 && unit != u'\t') || unit == 0x7F) continue;
    platform::AppendUtf8(out, platform::NextCodePoint(text, i));
  }
  return out;
}

// A TEXT value back as the list holds text: line breaks as CR LF, as the memo editor writes them.
std::u16string TextFromStandard(std::string_view text) {
  std::u16string out;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
    out += CString::FromUtf8(text.substr(start, end - start)).str();
    out += u"\r\n";
  }
  out += CString::FromUtf8(text.substr(start)).str();
  return out;
}

// Readers drop the white space that begins or ends a value.
std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

// True when a TEXT value carries the text unchanged.
bool CarriedAsIs(std::u16string_view text) {
  return TextFromStandard(Trimmed(StandardText(text))) == text;
}

// An exact text for an X-TARVELQUIST- property: as it is when a TEXT value carries it unchanged, else as a JSON
// string (which keeps controls and unpaired surrogates).
std::string ExactValue(std::u16string_view text) {
  if (!text.empty() && text[0] != u'"' && CarriedAsIs(text)) return StandardText(text);
  std::string json;
  tvqjson::AppendString(json, text);
  return json;
}

std::optional<std::u16string> TextFromExact(std::string_view value) {
  if (value.empty() || value[0] != '"') return TextFromStandard(value);
  try {
    tvqjson::JsonReader reader(value);
    std::u16string text = reader.ReadString();
    reader.End();
    return text;
  } catch (const tvqjson::JsonError&) {
    return std::nullopt;
  }
}

bool SameDue(const COleDateTime& a, const COleDateTime& b) {
  return a.GetStatus() == b.GetStatus() && DateBits(a.m_dt) == DateBits(b.m_dt);
}

// The due date as the list shows it, as DUE's date (YYYYMMDD); none for a task without a due date (the
// no-due-date value itself in every locale, and what the list shows as "期限なし").
std::optional<icaltimetype> DueDate(const COleDateTime& due) {
  SYSTEMTIME time;
  if (due.GetStatus() != COleDateTime::valid || SameDue(due, NoDueDateValue()) ||
      tasktext::IsNoDueDateText(tasktext::DateText(due)) || !due.GetAsSystemTime(time)) {
    return std::nullopt;
  }
  icaltimetype date = Ical().icaltime_null_date();
  date.year = time.wYear;
  date.month = time.wMonth;
  date.day = time.wDay;
  return date;
}

COleDateTime DueFromDate(const std::optional<icaltimetype>& date) {
  if (!date) return NoDueDateValue();
  return COleDateTime(date->year, date->month, date->day, 0, 0, 0);
}

icalproperty* FindX(const icalcomponent* vtodo, std::string_view name) {
  auto* component = const_cast<icalcomponent*>(vtodo);
  for (icalproperty* property = Ical().icalcomponent_get_first_property(component, ICAL_X_PROPERTY); property;
       property = Ical().icalcomponent_get_next_property(component, ICAL_X_PROPERTY)) {
    const char* xName = Ical().icalproperty_get_x_name(property);
    if (xName && name == xName) return property;
  }
  return nullptr;
}

void RemoveAll(icalcomponent* vtodo, icalproperty_kind kind) {
  while (icalproperty* property = Ical().icalcomponent_get_first_property(vtodo, kind)) {
    Ical().icalcomponent_remove_property(vtodo, property);
    Ical().icalproperty_free(property);
  }
}

void RemoveX(icalcomponent* vtodo, std::string_view name) {
  while (icalproperty* property = FindX(vtodo, name)) {
    Ical().icalcomponent_remove_property(vtodo, property);
    Ical().icalproperty_free(property);
  }
}

// Sets one X- property (or removes it when value is empty): in place when it is there, else at the end.
void SetX(icalcomponent* vtodo, const char* name, const std::optional<std::string>& value) {
  if (!value) {
    RemoveX(vtodo, name);
    return;
  }
  if (icalproperty* property = FindX(vtodo, name)) {
    Ical().icalproperty_set_x(property, value->c_str());
    return;
  }
  icalproperty* property = Ical().icalproperty_new_x(value->c_str());
  Ical().icalproperty_set_x_name(property, name);
  Ical().icalcomponent_add_property(vtodo, property);
}

// Sets a standard TEXT property in place (its parameters stay) or adds it; an empty text has none (a reader
// takes an empty value for an error).
void SetText(icalcomponent* vtodo, icalproperty_kind kind, const std::string& text) {
  if (text.empty()) {
    RemoveAll(vtodo, kind);
    return;
  }
  if (icalproperty* property = Ical().icalcomponent_get_first_property(vtodo, kind)) {
    Ical().icalproperty_set_value(property, Ical().icalvalue_new_text(text.c_str()));
    return;
  }
  icalproperty* property = Ical().icalproperty_new(kind);
  Ical().icalproperty_set_value(property, Ical().icalvalue_new_text(text.c_str()));
  Ical().icalcomponent_add_property(vtodo, property);
}

std::optional<std::string> ExactUnlessStandard(std::u16string_view text) {
  if (CarriedAsIs(text)) return std::nullopt;
  return ExactValue(text);
}

std::string XValue(const icalproperty* property) {
  const char* value = Ical().icalproperty_get_x(const_cast<icalproperty*>(property));
  return value ? value : "";
}

std::optional<std::string> TextOf(const icalcomponent* vtodo, icalproperty_kind kind) {
  icalproperty* property = Ical().icalcomponent_get_first_property(const_cast<icalcomponent*>(vtodo), kind);
  if (!property) return std::nullopt;
  const icalvalue* value = Ical().icalproperty_get_value(property);
  const char* text = value ? Ical().icalvalue_get_text(value) : nullptr;
  return std::string(text ? text : "");
}

// A text field: the exact X- value while the standard property still says what was written with it.
std::u16string ReadText(const icalcomponent* vtodo, icalproperty_kind kind, const char* exactName) {
  const std::string standard = TextOf(vtodo, kind).value_or("");
  if (const icalproperty* exact = FindX(vtodo, exactName)) {
    const std::optional<std::u16string> text = TextFromExact(XValue(exact));
    if (text && Trimmed(StandardText(*text)) == Trimmed(standard)) return *text;
  }
  return TextFromStandard(standard);
}

icaltimezone* ZoneOf(const icalcomponent* vtodo, const icalproperty* due, const icaltimetype& time) {
  if (Ical().icaltime_is_utc(time)) return Ical().icaltimezone_get_utc_timezone();
  icalparameter* tzidParameter =
      Ical().icalproperty_get_first_parameter(const_cast<icalproperty*>(due), ICAL_TZID_PARAMETER);
  const char* tzid = tzidParameter ? Ical().icalparameter_get_tzid(tzidParameter) : nullptr;
  if (!tzid) return nullptr;
  icalcomponent* calendar = Ical().icalcomponent_get_parent(const_cast<icalcomponent*>(vtodo));
  if (icaltimezone* zone = calendar ? Ical().icalcomponent_get_timezone(calendar, tzid) : nullptr) return zone;
  if (icaltimezone* zone = Ical().icaltimezone_get_builtin_timezone(tzid)) return zone;
  return Ical().icaltimezone_get_builtin_timezone_from_tzid(tzid);
}

// DUE in local time: a date at midnight, a DATE-TIME in UTC or with a TZID converted, a floating one as it is.
// Empty when there is no DUE or it is no date the list can hold.
std::optional<COleDateTime> DueOf(const icalcomponent* vtodo, bool& unusable) {
  icalproperty* due = Ical().icalcomponent_get_first_property(const_cast<icalcomponent*>(vtodo), ICAL_DUE_PROPERTY);
  if (!due) return std::nullopt;
  icaltimetype time = Ical().icalproperty_get_due(due);
  if (Ical().icaltime_is_null_time(time) || !Ical().icaltime_is_valid_time(time)) {
    unusable = true;
    return std::nullopt;
  }
  if (!time.is_date) {
    if (icaltimezone* zone = ZoneOf(vtodo, due, time)) {
      const std::time_t instant = Ical().icaltime_as_timet_with_zone(time, zone);
      std::tm local{};
      localtime_r(&instant, &local);
      time.year = local.tm_year + 1900;
      time.month = local.tm_mon + 1;
      time.day = local.tm_mday;
      time.hour = local.tm_hour;
      time.minute = local.tm_min;
      time.second = local.tm_sec;
    }
  }
  COleDateTime result;
  const int hour = time.is_date ? 0 : time.hour;
  const int minute = time.is_date ? 0 : time.minute;
  const int second = time.is_date ? 0 : time.second;
  if (result.SetDateTime(time.year, time.month, time.day, hour, minute, second) != COleDateTime::valid) {
    unusable = true;
    return std::nullopt;
  }
  return result;
}

bool SameDate(const std::optional<icaltimetype>& written, const icalcomponent* vtodo) {
  icalproperty* due = Ical().icalcomponent_get_first_property(const_cast<icalcomponent*>(vtodo), ICAL_DUE_PROPERTY);
  if (!written || !due) return !written && !due;
  const icaltimetype time = Ical().icalproperty_get_due(due);
  return time.is_date && time.year == written->year && time.month == written->month && time.day == written->day;
}

COleDateTime ReadDue(const icalcomponent* vtodo, std::vector<std::string>& ignored) {
  if (const icalproperty* exact = FindX(vtodo, kExactDue)) {
    try {
      const COleDateTime due = DueFromCsvText(XValue(exact), 1);
      if (SameDate(DueDate(due), vtodo)) return due;
    } catch (const InputError&) {
      // not ours any more: the DUE says what the due date is
    }
  }
  bool unusable = false;
  const std::optional<COleDateTime> due = DueOf(vtodo, unusable);
  if (unusable) ignored.emplace_back("DUE");
  return due.value_or(NoDueDateValue());
}

int PriorityOf(const icalcomponent* vtodo) {
  icalproperty* property =
      Ical().icalcomponent_get_first_property(const_cast<icalcomponent*>(vtodo), ICAL_PRIORITY_PROPERTY);
  if (!property) return 0;
  const int priority = Ical().icalproperty_get_priority(property);
  return priority >= 0 && priority <= 9 ? priority : 0;
}

std::u16string ReadPriority(const icalcomponent* vtodo) {
  const int priority = PriorityOf(vtodo);
  if (const icalproperty* exact = FindX(vtodo, kExactPriority)) {
    const std::optional<std::u16string> text = TextFromExact(XValue(exact));
    if (text && IcsPriority(*text) == priority) return *text;
  }
  return PriorityFromIcs(priority);
}

bool IsCompleted(const icalcomponent* vtodo) {
  auto* component = const_cast<icalcomponent*>(vtodo);
  if (Ical().icalcomponent_get_first_property(component, ICAL_COMPLETED_PROPERTY)) return true;
  if (icalproperty* status = Ical().icalcomponent_get_first_property(component, ICAL_STATUS_PROPERTY)) {
    if (Ical().icalproperty_get_status(status) == ICAL_STATUS_COMPLETED) return true;
  }
  icalproperty* percent = Ical().icalcomponent_get_first_property(component, ICAL_PERCENTCOMPLETE_PROPERTY);
  return percent && Ical().icalproperty_get_percentcomplete(percent) >= 100;
}

std::optional<long long> SortOrderOf(const icalcomponent* vtodo) {
  const icalproperty* property = FindX(vtodo, kSortOrder);
  if (!property) return std::nullopt;
  const std::string value = XValue(property);
  char* end = nullptr;
  const long long order = std::strtoll(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0') return std::nullopt;
  return order;
}

// Properties that a task holds or that only identify or date the item.
bool HasAPlace(const icalproperty* property) {
  switch (Ical().icalproperty_isa(const_cast<icalproperty*>(property))) {
    case ICAL_SUMMARY_PROPERTY:
    case ICAL_DESCRIPTION_PROPERTY:
    case ICAL_DUE_PROPERTY:
    case ICAL_PRIORITY_PROPERTY:
    case ICAL_COMPLETED_PROPERTY:
    case ICAL_UID_PROPERTY:
    case ICAL_DTSTAMP_PROPERTY:
    case ICAL_CREATED_PROPERTY:
    case ICAL_LASTMODIFIED_PROPERTY:
    case ICAL_SEQUENCE_PROPERTY:
      return true;
    case ICAL_STATUS_PROPERTY: {
      const icalproperty_status status = Ical().icalproperty_get_status(property);
      return status == ICAL_STATUS_COMPLETED || status == ICAL_STATUS_NEEDSACTION;
    }
    case ICAL_PERCENTCOMPLETE_PROPERTY: {
      const int percent = Ical().icalproperty_get_percentcomplete(property);
      return percent == 0 || percent == 100;
    }
    case ICAL_XLICERROR_PROPERTY: {
      // The parser's note on an empty value: nothing was lost.
      const char* error = Ical().icalproperty_get_xlicerror(property);
      return error && std::string_view(error).substr(0, 12) == "No value for";
    }
    case ICAL_X_PROPERTY: {
      const char* name = Ical().icalproperty_get_x_name(const_cast<icalproperty*>(property));
      const std::string_view xName = name ? name : "";
      return xName.substr(0, kOurPrefix.size()) == kOurPrefix || xName == kSortOrder;
    }
    default:
      return false;
  }
}

std::vector<std::string> WhatHasNoPlace(const icalcomponent* vtodo) {
  auto* component = const_cast<icalcomponent*>(vtodo);
  std::vector<std::string> ignored;
  for (icalproperty* property = Ical().icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); property;
       property = Ical().icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
    if (HasAPlace(property)) continue;
    const char* name = Ical().icalproperty_get_property_name(property);
    ignored.emplace_back(name ? name : "?");
  }
  for (icalcomponent* child = Ical().icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); child;
       child = Ical().icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
    ignored.emplace_back(ComponentName(Ical().icalcomponent_isa(child)));
  }
  return ignored;
}

}  // namespace

std::string ComponentName(icalcomponent_kind kind) {
  const char* name = Ical().icalcomponent_kind_to_string(kind);
  return name ? name : "unknown component";
}

int IcsPriority(std::u16string_view priority) {
  if (priority.empty()) return 0;
  const CString text(priority);
  const int step = kStepOfDigit[static_cast<std::size_t>(tasktext::PriorityDigitChoice(text))];
  switch (tasktext::PriorityLetterChoice(text)) {
    case kLetterB:
      return kBandB;
    case kLetterC:
      return kBandC + step;
    case kLetterP:
      return 0;
    default:
      return kBandA + step;
  }
}

std::u16string PriorityFromIcs(int priority) {
  if (priority >= kBandA && priority < kBandB) {
    return tasktext::PriorityFromChoices(kLetterA, kDigitOfStep[static_cast<std::size_t>(priority - kBandA)]).str();
  }
  if (priority == kBandB) return tasktext::PriorityFromChoices(kLetterB, kDigitOfStep[0]).str();
  if (priority >= kBandC && priority <= 9) {
    return tasktext::PriorityFromChoices(kLetterC, kDigitOfStep[static_cast<std::size_t>(priority - kBandC)]).str();
  }
  return tasktext::PriorityFromChoices(kLetterP, kDigitOfStep[0]).str();
}

namespace {

// Each field is written only when the item does not already read as it: a field the list did not change keeps
// the other program's own form (a due time with its TZID, a PRIORITY of its band).
void WriteSubject(icalcomponent* vtodo, const CString& subject) {
  if (ReadText(vtodo, ICAL_SUMMARY_PROPERTY, kExactSubject) == subject.str()) return;
  SetText(vtodo, ICAL_SUMMARY_PROPERTY, StandardText(subject.view()));
  SetX(vtodo, kExactSubject, ExactUnlessStandard(subject.view()));
}

void WriteDue(icalcomponent* vtodo, const COleDateTime& due) {
  std::vector<std::string> unused;
  if (SameDue(ReadDue(vtodo, unused), due) && unused.empty()) return;
  RemoveAll(vtodo, ICAL_DUE_PROPERTY);
  const std::optional<icaltimetype> date = DueDate(due);
  if (date) Ical().icalcomponent_add_property(vtodo, Ical().icalproperty_new_due(*date));
  std::optional<std::string> exactDue;
  if (!SameDue(DueFromDate(date), due)) exactDue = DueCsvText(due);
  SetX(vtodo, kExactDue, exactDue);
}

void WritePriority(icalcomponent* vtodo, const CString& priority) {
  // A new item always gets one, so that every program sorts it the same.
  if (Ical().icalcomponent_get_first_property(vtodo, ICAL_PRIORITY_PROPERTY) && ReadPriority(vtodo) == priority.str()) {
    return;
  }
  RemoveAll(vtodo, ICAL_PRIORITY_PROPERTY);
  Ical().icalcomponent_add_property(vtodo, Ical().icalproperty_new_priority(IcsPriority(priority.view())));
  SetX(vtodo, kExactPriority, ExactValue(priority.view()));
}

void WriteMemo(icalcomponent* vtodo, const CString& memo) {
  if (ReadText(vtodo, ICAL_DESCRIPTION_PROPERTY, kExactMemo) == memo.str()) return;
  SetText(vtodo, ICAL_DESCRIPTION_PROPERTY, StandardText(memo.view()));
  SetX(vtodo, kExactMemo, ExactUnlessStandard(memo.view()));
}

}  // namespace

void WriteTaskToVtodo(icalcomponent* vtodo, const TaskItem& task, std::optional<int> sortOrder) {
  WriteSubject(vtodo, task.subject);
  WriteDue(vtodo, task.dueDate);
  WritePriority(vtodo, task.priority);
  WriteMemo(vtodo, task.memo);
  if (sortOrder) SetX(vtodo, kSortOrder, std::to_string(*sortOrder));
}

VtodoTask::VtodoTask(const icalcomponent* vtodo)
    : completed(IsCompleted(vtodo)), sortOrder(SortOrderOf(vtodo)), ignored(WhatHasNoPlace(vtodo)) {
  task.subject = CString(ReadText(vtodo, ICAL_SUMMARY_PROPERTY, kExactSubject));
  task.dueDate = ReadDue(vtodo, ignored);
  task.priority = CString(ReadPriority(vtodo));
  task.memo = CString(ReadText(vtodo, ICAL_DESCRIPTION_PROPERTY, kExactMemo));
}

}  // namespace tvqcli
