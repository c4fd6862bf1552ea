#include "clock.h"

#include <windows.h>

uint32_t SecondsSince1970() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME ticks; // 100 ns since 1601-01-01
  SystemTimeToFileTime(&now, &ticks);
  const uint64_t since1970 =
      (static_cast<uint64_t>(ticks.dwHighDateTime) << 32 | ticks.dwLowDateTime) -
      116444736000000000ULL;
  // The quotient fits in 32 bits until 2106, so one 64-by-32-bit division of the
  // processor does, where the compiler would call on its support library.
  uint32_t seconds, rest;
  asm("divl %4"
      : "=a"(seconds), "=d"(rest)
      : "a"(static_cast<uint32_t>(since1970)), "d"(static_cast<uint32_t>(since1970 >> 32)),
        "rm"(10000000u));
  return seconds;
}
