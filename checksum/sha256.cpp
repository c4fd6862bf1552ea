#include "sha256.h"

#include <cstring>

namespace {

const uint32_t RoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

const uint32_t InitialState[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

inline uint32_t Rotate(uint32_t x, int n) {
  return x >> n | x << (32 - n);
}

// One block into the state. The working words lie in one array, the newest first at the
// top: each round writes its new first word above the others and adds into the fifth,
// so that no word moves. The message schedule lives in a ring of 16 words, each replaced
// by the word 16 places on as the rounds reach it: small code for SETUP.EXE.
[[gnu::noinline]] void Compress(uint32_t (&state)[8], const unsigned char* block) {
  uint32_t w[16], v[8 + 64];
  for (int i = 0; i < 8; ++i)
    v[7 - i] = state[i];
  for (int i = 0; i < 64; ++i) {
    uint32_t& word = w[i & 15];
    if (i < 16) {
      word = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 |
             uint32_t{block[4 * i + 2]} << 8 | block[4 * i + 3];
    } else {
      const uint32_t x = w[(i + 1) & 15], y = w[(i + 14) & 15];
      word += (Rotate(x, 7) ^ Rotate(x, 18) ^ x >> 3) + w[(i + 9) & 15] +
              (Rotate(y, 17) ^ Rotate(y, 19) ^ y >> 10);
    }
    // a to h of this round are r[7] down to r[0].
    uint32_t* r = v + i;
    const uint32_t e = r[3], a = r[7];
    const uint32_t t1 = r[0] + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) +
                        ((e & r[2]) ^ (~e & r[1])) + RoundConstants[i] + word;
    const uint32_t t2 =
        (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & r[6]) ^ (a & r[5]) ^ (r[6] & r[5]));
    r[4] += t1;
    r[8] = t1 + t2;
  }
  for (int i = 0; i < 8; ++i)
    state[i] += v[71 - i];
}

} // namespace

void Sha256Start(Sha256* hash) {
  std::memcpy(hash->State, InitialState, sizeof InitialState);
  hash->Length = 0;
}

void Sha256Add(Sha256* hash, const void* bytes, size_t length) {
  const unsigned char* next = static_cast<const unsigned char*>(bytes);
  while (length > 0) {
    // Whole blocks straight from the caller's bytes, the rest through Block.
    if (hash->Length % 64 == 0 && length >= 64) {
      Compress(hash->State, next);
      hash->Length += 64;
      next += 64;
      length -= 64;
      continue;
    }
    hash->Block[hash->Length++ % 64] = *next++;
    --length;
    if (hash->Length % 64 == 0) Compress(hash->State, hash->Block);
  }
}

void Sha256Finish(Sha256* hash, unsigned char (&digest)[Sha256Size]) {
  // The padding: one bit, zeros up to 56 bytes into a block, then the length in bits.
  const uint64_t bits = hash->Length * 8;
  unsigned char byte = 0x80;
  do {
    Sha256Add(hash, &byte, 1);
    byte = 0;
  } while (hash->Length % 64 != 56);
  for (int i = 0; i < 8; ++i) {
    byte = static_cast<unsigned char>(bits >> (56 - 8 * i));
    Sha256Add(hash, &byte, 1);
  }
  for (int i = 0; i < Sha256Size; ++i)
    digest[i] = static_cast<unsigned char>(hash->State[i / 4] >> (24 - 8 * (i % 4)));
}
