#include "dos_time.h"

DosCalendarTime SplitDosDateTime(uint32_t value) {
  DosCalendarTime time;
  time.Year = 1980 + static_cast<int>(value >> 25);
  time.Month = static_cast<int>((value >> 21) & 15);
  time.Day = static_cast<int>((value >> 16) & 31);
  time.Hour = static_cast<int>((value >> 11) & 31);
  time.Minute = static_cast<int>((value >> 5) & 63);
  time.Second = 2 * static_cast<int>(value & 31);
  return time;
}

static bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

static int DaysInMonth(int year, int month) {
  static const unsigned char days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDosCalendarTime(const DosCalendarTime& time) {
  if (time.Month < 1 || time.Month > 12) return false;
  if (time.Day < 1 || time.Day > DaysInMonth(time.Year, time.Month)) return false;
  // A stored second field of 30 and 31 reads as 60 and 62; the platform's calendar
  // rejects those just like minute 60, so they are no instant either.
  return time.Hour < 24 && time.Minute < 60 && time.Second < 60;
}

bool DosDateTimeToUnixTime(uint32_t value, int64_t* unixTime) {
  const DosCalendarTime time = SplitDosDateTime(value);
  if (!IsValidDosCalendarTime(time)) return false;
  // Every year from 1980 on is counted whole; the century rule first bites in 2100,
  // which is not a leap year.
  int64_t days = 3652; // 1970-01-01 to 1980-01-01
  for (int year = 1980; year < time.Year; ++year)
    days += IsLeapYear(year) ? 366 : 365;
  for (int month = 1; month < time.Month; ++month)
    days += DaysInMonth(time.Year, month);
  days += time.Day - 1;
  *unixTime = ((days * 24 + time.Hour) * 60 + time.Minute) * 60 + time.Second;
  return true;
}
