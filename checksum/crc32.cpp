#include "crc32.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Sixteen bytes a step on the tools' 64-bit machines (slicing by 16): the decoder's
// output passes through here, and a byte at a time would cost a third of drs's speed.
// On 32-bit machines (SETUP.EXE) four bytes a step: some 140 bytes of code against a
// byte at a time, for a fifth less staging time on a large entry. The tables are made
// on first use, in uninitialised data, and take no bytes of the program file.
constexpr int Slices = sizeof(void*) == 8 ? 16 : 4;
uint32_t Table[Slices][256];

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
}

#if defined(__x86_64__)
// Where the processor multiplies without carries (PCLMULQDQ, on nearly every x86-64 in
// use), drs folds 64 bytes a step, several times as fast as the tables: checking every
// entry then costs drs unpack a few per cent even on a slow machine.
#define CARRYLESS __attribute__((target("pclmul,sse4.1")))

CARRYLESS __m128i Load(const unsigned char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x times the constants k, its two halves moved 128 bits on, and the next bytes added.
CARRYLESS __m128i Fold(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), next),
                       _mm_clmulepi64_si128(x, k, 0x00));
}

// `length` is a multiple of 16, at least 64; `crc` is the running value, complemented.
CARRYLESS uint32_t FoldCrc(uint32_t crc, const unsigned char* next, size_t length) {
  // x^(4*128+32), x^(4*128-32), x^(128+32), x^(128-32), x^64 mod P, and P with its
  // Barrett constant, all bit-reflected.
  const __m128i byFour = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
  const __m128i byOne = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
  const __m128i toSixtyFour = _mm_set_epi64x(0, 0x0163cd6124);
  const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
  const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
  __m128i x1 = _mm_xor_si128(Load(next), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = Load(next + 16), x3 = Load(next + 32), x4 = Load(next + 48);
  for (next += 64, length -= 64; length >= 64; next += 64, length -= 64) {
    x1 = Fold(x1, byFour, Load(next));
    x2 = Fold(x2, byFour, Load(next + 16));
    x3 = Fold(x3, byFour, Load(next + 32));
    x4 = Fold(x4, byFour, Load(next + 48));
  }
  x1 = Fold(Fold(Fold(x1, byOne, x2), byOne, x3), byOne, x4);
  for (; length >= 16; next += 16, length -= 16)
    x1 = Fold(x1, byOne, Load(next));
  // 128 bits to 64, then Barrett's reduction to 32.
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, byOne, 0x10));
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), toSixtyFour, 0x00),
                     _mm_srli_si128(x1, 4));
  __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
  quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, low32), poly, 0x00);
  return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, quotient), 1));
}

bool CanFold() {
  static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return can;
}
#endif

} // namespace

uint32_t Crc32(uint32_t crc, const void* bytes, size_t length) {
  if (!Table[0][1]) MakeTable();
  const unsigned char* next = static_cast<const unsigned char*>(bytes);
  crc = ~crc;
#if defined(__x86_64__)
  if (length >= 64 && CanFold()) {
    const size_t folded = length & ~size_t{15};
    crc = FoldCrc(crc, next, folded);
    next += folded;
    length -= folded;
  }
#endif
  for (; Slices > 1 && length >= Slices; length -= Slices, next += Slices) {
    // Both machines are little-endian: the word's low byte is the first.
    uint32_t word;
    std::memcpy(&word, next, 4);
    word ^= crc;
    crc = 0;
    for (int i = 0; i < Slices; ++i)
      crc ^= Table[Slices - 1 - i][i < 4 ? word >> 8 * i & 0xFF : next[i]];
  }
  for (; length > 0; --length)
    crc = crc >> 8 ^ Table[0][(crc ^ *next++) & 0xFF];
  return ~crc;
}
