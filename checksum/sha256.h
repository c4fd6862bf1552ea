// SHA-256 (FIPS 180-4): the digest of the whole archive that a sealed SETUP.EXE vouches
// for.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int Sha256Size = 32;

struct Sha256 {
  uint32_t State[8];
  uint64_t Length; // bytes added so far
  unsigned char Block[64];
};

void Sha256Start(Sha256* hash);
void Sha256Add(Sha256* hash, const void* bytes, size_t length);
// Ends the hash; `hash` must be started again before further use.
void Sha256Finish(Sha256* hash, unsigned char (&digest)[Sha256Size]);
