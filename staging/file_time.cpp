#include "file_time.h"

#include "format/dos_time.h"

bool StampFileTime(HANDLE file, uint16_t dosTime, uint16_t dosDate) {
  const DosCalendarTime fields = SplitDosDateTime(JoinDosDateTime(dosTime, dosDate));
  // Not every system's conversion refuses a day that its month lacks (29 February 2001).
  if (!IsValidDosCalendarTime(fields)) return false;
  SYSTEMTIME calendar{};
  calendar.wYear = static_cast<WORD>(fields.Year);
  calendar.wMonth = static_cast<WORD>(fields.Month);
  calendar.wDay = static_cast<WORD>(fields.Day);
  calendar.wHour = static_cast<WORD>(fields.Hour);
  calendar.wMinute = static_cast<WORD>(fields.Minute);
  calendar.wSecond = static_cast<WORD>(fields.Second);
  // The archive carries no zone: the stored time is the file time, not local time.
  FILETIME created;
  if (!SystemTimeToFileTime(&calendar, &created)) return false;
  return SetFileTime(file, &created, nullptr, nullptr) != FALSE;
}
