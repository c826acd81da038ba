// COleDateTime: an OLE Automation date (days since 30 December 1899, time of day as the fraction) with a 32-bit
// status. The status is kept exactly as set or read: files may carry any value.
#pragma once

#include <cstdint>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// OLE Automation conversions. Range: 1 January 100 to 31 December 9999. For negative dates the whole part
// counts days back while the fraction is still the time of day (-1.25 is 29 December 1899 06:00).
// Both return FALSE outside the range or for fields that do not form a date (month 13, hour 24, ...);
// SystemTimeToVariantTime accepts day overflow the way the platform does (31 April becomes 1 May), which is
// why the validity rule converts back and compares. VariantTimeToSystemTime rounds to the nearest second.
BOOL SystemTimeToVariantTime(const SYSTEMTIME& time, DATE* date);
BOOL VariantTimeToSystemTime(DATE date, SYSTEMTIME* time);

// The local time now, whole seconds (milliseconds 0). FALSE when the local time cannot be had.
BOOL GetLocalTime(SYSTEMTIME* time);

class COleDateTime {
 public:
  enum DateTimeStatus : std::int32_t { valid = 0, invalid = 1, null = 2 };

  COleDateTime() = default;  // 0.0, valid
  COleDateTime(DATE value, std::int32_t status = valid) : m_dt(value), m_status(status) {}
  COleDateTime(int year, int month, int day, int hour, int minute, int second);
  explicit COleDateTime(const SYSTEMTIME& time);

  // Now, from the local calendar time to the whole second; invalid (value 0) when local time fails.
  static COleDateTime GetCurrentTime();

  // Sets value and status by the validity rule: valid only when the fields convert and convert back unchanged.
  int SetDateTime(int year, int month, int day, int hour, int minute, int second);
  int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

  std::int32_t GetStatus() const { return m_status; }
  void SetStatus(std::int32_t status) { m_status = status; }

  // Calendar fields of a valid value; FALSE when the value is outside the convertible range.
  BOOL GetAsSystemTime(SYSTEMTIME& time) const;

  // Text by status: null -> "", invalid -> "Invalid DateTime", otherwise the platform's date text for the
  // value (VarBstrFromDate), "Invalid DateTime" when the value cannot be formatted. With VAR_DATEVALUEONLY
  // only the date, in the user's short date format.
  CString Format(DWORD flags = 0, LCID locale = LANG_USER_DEFAULT) const;

  friend bool operator==(const COleDateTime&, const COleDateTime&) = default;

  // Public as in the framework: the serializer reads and writes them directly.
  DATE m_dt = 0.0;
  std::int32_t m_status = valid;
};

// VarBstrFromDate: the date text of a value in the user's locale. FALSE when the value cannot be formatted
// (not finite, or outside the range above).
BOOL VarBstrFromDate(DATE date, LCID locale, DWORD flags, CString* text);

// Bit-exact helpers for files and dumps.
std::uint64_t DateBits(DATE value);
DATE DateFromBits(std::uint64_t bits);
