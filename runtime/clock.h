#pragma once

#include <cstdint>

// Whole seconds since 1970-01-01 00:00:00 UTC, now.
uint32_t SecondsSince1970();
