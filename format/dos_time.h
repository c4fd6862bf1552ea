// The MS-DOS date and time stored with every archive entry, read as one 32-bit value
// whose low half is the time and whose high half is the date.
#pragma once

#include <cstdint>

struct DosCalendarTime {
  int Year;   // 1980 to 2107
  int Month;  // 0 to 15 as stored; only 1 to 12 is a real month
  int Day;    // 0 to 31 as stored
  int Hour;   // 0 to 31 as stored
  int Minute; // 0 to 63 as stored
  int Second; // 0 to 62, always even
};

inline uint32_t JoinDosDateTime(uint16_t dosTime, uint16_t dosDate) {
  return static_cast<uint32_t>(dosDate) << 16 | dosTime;
}

// Splits the fields as they are stored; nothing is range-checked, so the caller
// decides what a value outside the calendar means.
DosCalendarTime SplitDosDateTime(uint32_t value);

// Whether the fields name a real instant: month 1 to 12, a day that exists in that
// month (leap years included), hour below 24, minute below 60.
bool IsValidDosCalendarTime(const DosCalendarTime& time);

// Seconds since 1970-01-01 00:00:00, taking the fields as Coordinated Universal Time
// (the archive carries no zone). False for a value outside the calendar.
bool DosDateTimeToUnixTime(uint32_t value, int64_t* unixTime);
