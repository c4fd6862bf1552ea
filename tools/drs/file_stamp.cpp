#include "file_stamp.h"

namespace {

constexpr int64_t SecondsPerDay = 86400;
constexpr int64_t FirstDosInstant = 315532800; // 1980-01-01 00:00:00
constexpr int64_t LastDosInstant = 4354819198; // 2107-12-31 23:59:58

struct CivilDate {
  int64_t Year;
  int Month;
  int Day;
};

// Days since 1970-01-01 to the proleptic Gregorian date, counted in 400-year eras of
// 146097 days that begin on 1 March, so the leap day ends each era's year.
CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

} // namespace

DosStamp DosStampFromUnixTime(int64_t unixTime) {
  if (unixTime < FirstDosInstant) unixTime = FirstDosInstant;
  if (unixTime > LastDosInstant) unixTime = LastDosInstant;
  const int64_t days = unixTime / SecondsPerDay;
  const int64_t secondOfDay = unixTime % SecondsPerDay;
  const CivilDate date = CivilFromDays(days);
  const int hour = static_cast<int>(secondOfDay / 3600);
  const int minute = static_cast<int>(secondOfDay / 60 % 60);
  const int second = static_cast<int>(secondOfDay % 60);
  DosStamp stamp;
  stamp.DosTime = static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
  stamp.DosDate = static_cast<uint16_t>((date.Year - 1980) << 9 | date.Month << 5 | date.Day);
  return stamp;
}
