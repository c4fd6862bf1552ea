// The DOS date and time that `drs pack` stores for a file's modification time.
#pragma once

#include <cstdint>

struct DosStamp {
  uint16_t DosTime;
  uint16_t DosDate;
};

// The instant (seconds since 1970-01-01 00:00:00 UTC) as DOS fields in UTC, since the
// bootstrap stamps them without a local-time conversion. DOS keeps even seconds only,
// so odd ones are rounded down; instants before 1980-01-01 00:00:00 become that
// instant and those after 2107-12-31 23:59:58 become that one.
DosStamp DosStampFromUnixTime(int64_t unixTime);
