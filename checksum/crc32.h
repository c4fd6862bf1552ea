// CRC-32 as zip and PNG compute it (reflected polynomial 0xEDB88320, initial value and
// final XOR all ones): the checksum of each entry's unpacked bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// The CRC of `crc`'s bytes followed by `length` more; start from 0. Crc32(0, "123456789")
// is 0xCBF43926.
uint32_t Crc32(uint32_t crc, const void* bytes, size_t length);
