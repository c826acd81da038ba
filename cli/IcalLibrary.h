// libical, loaded the first time a command reads or writes iCalendar: tvq's other commands start without it.
// Every libical function that the iCalendar code calls is reached through Ical().
#pragma once

#include <libical/ical.h>

namespace tvqcli {

// The functions of libical that tvq calls, each with libical's own type.
#define TVQ_ICAL_FUNCTIONS(X) \
  X(icalcomponent_add_property) X(icalcomponent_as_ical_string_r) X(icalcomponent_free) \
  X(icalcomponent_get_first_component) X(icalcomponent_get_first_property) X(icalcomponent_get_next_component) \
  X(icalcomponent_get_next_property) X(icalcomponent_get_parent) X(icalcomponent_get_timezone) X(icalcomponent_isa) \
  X(icalcomponent_kind_to_string) X(icalcomponent_new_vcalendar) X(icalcomponent_new_vtodo) \
  X(icalcomponent_remove_property) X(icalmemory_free_buffer) X(icalparameter_get_tzid) X(icalparser_parse_string) \
  X(icalproperty_free) X(icalproperty_get_due) X(icalproperty_get_first_parameter) \
  X(icalproperty_get_percentcomplete) X(icalproperty_get_priority) X(icalproperty_get_property_name) \
  X(icalproperty_get_status) X(icalproperty_get_value) X(icalproperty_get_x) X(icalproperty_get_x_name) \
  X(icalproperty_get_xlicerror) X(icalproperty_isa) X(icalproperty_new) X(icalproperty_new_dtstamp) \
  X(icalproperty_new_due) X(icalproperty_new_priority) X(icalproperty_new_prodid) X(icalproperty_new_uid) \
  X(icalproperty_new_version) X(icalproperty_new_x) X(icalproperty_set_value) X(icalproperty_set_x) \
  X(icalproperty_set_x_name) X(icaltime_as_timet_with_zone) X(icaltime_from_timet_with_zone) \
  X(icaltime_is_null_time) X(icaltime_is_utc) X(icaltime_is_valid_time) X(icaltime_null_date) \
  X(icaltimezone_get_builtin_timezone) X(icaltimezone_get_builtin_timezone_from_tzid) \
  X(icaltimezone_get_utc_timezone) X(icalvalue_get_text) X(icalvalue_new_text)

struct IcalFunctions {
#define TVQ_ICAL_MEMBER(name) decltype(&::name) name = nullptr;
  TVQ_ICAL_FUNCTIONS(TVQ_ICAL_MEMBER)
#undef TVQ_ICAL_MEMBER
};

// libical's functions, the library loaded on the first call (it stays loaded). Throws MissingLibraryError when
// it cannot be loaded or lacks one of them.
const IcalFunctions& Ical();

}  // namespace tvqcli
