#pragma once

#include <windows.h>

#include <cstdint>

// Sets the creation time of `file` to the stored MS-DOS date and time, taken as UTC.
// False when the value is outside the calendar or the time could not be set.
bool StampFileTime(HANDLE file, uint16_t dosTime, uint16_t dosDate);
