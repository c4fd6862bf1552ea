#include "clock.h"

#include <windows.h>

uint32_t SecondsSince1970() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME ticks; // 100 ns since 1601-01-01
  SystemTimeToFileTime(&now, &ticks);
  const uint64_t since1601 =
      static_cast<uint64_t>(ticks.dwHighDateTime) << 32 | ticks.dwLowDateTime;
  return static_cast<uint32_t>(since1601 / 10000000 - 11644473600ULL);
}
