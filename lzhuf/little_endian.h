// Every integer of the archive, the entry's UnpackedSize included, is stored
// little-endian; this is the one place that reads them.
#pragma once

#include <cstdint>

inline uint16_t LittleEndian16(const unsigned char* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t LittleEndian32(const unsigned char* bytes) {
  return static_cast<uint32_t>(LittleEndian16(bytes)) |
         static_cast<uint32_t>(LittleEndian16(bytes + 2)) << 16;
}
