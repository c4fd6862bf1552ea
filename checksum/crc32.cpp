#include "crc32.h"

#include <cstring>

namespace {

// Eight bytes a step (slicing by 8): the decoder's output passes through here, and a
// byte at a time would cost a third of its speed. The tables take 8 KiB of
// uninitialised data, made on first use, and no bytes of the program file.
constexpr int Slices = 8;
uint32_t Table[Slices][256];
bool TableMade;

void MakeTable() {
  for (uint32_t b = 0; b < 256; ++b) {
    uint32_t crc = b;
    for (int bit = 0; bit < 8; ++bit)
      crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
    Table[0][b] = crc;
  }
  for (int s = 1; s < Slices; ++s)
    for (int b = 0; b < 256; ++b)
      Table[s][b] = Table[s - 1][b] >> 8 ^ Table[0][Table[s - 1][b] & 0xFF];
  TableMade = true;
}

} // namespace

uint32_t Crc32(uint32_t crc, const void* bytes, size_t length) {
  if (!TableMade) MakeTable();
  const unsigned char* next = static_cast<const unsigned char*>(bytes);
  crc = ~crc;
  for (; length >= Slices; length -= Slices, next += Slices) {
    // Both machines are little-endian, so the first byte is the low one.
    uint32_t low, high;
    std::memcpy(&low, next, 4);
    std::memcpy(&high, next + 4, 4);
    low ^= crc;
    crc = Table[7][low & 0xFF] ^ Table[6][low >> 8 & 0xFF] ^ Table[5][low >> 16 & 0xFF] ^
          Table[4][low >> 24] ^ Table[3][high & 0xFF] ^ Table[2][high >> 8 & 0xFF] ^
          Table[1][high >> 16 & 0xFF] ^ Table[0][high >> 24];
  }
  for (; length > 0; --length)
    crc = crc >> 8 ^ Table[0][(crc ^ *next++) & 0xFF];
  return ~crc;
}
