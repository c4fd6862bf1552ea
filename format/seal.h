// The seal: a slot inside SETUP.EXE's data for the SHA-256 of the one archive it may
// unpack. `drs media --sign-pkcs12` finds the slot by its tag and fills in the digest of
// the medium's N_SETUP.DRS before signing, so that the signature covers it; SETUP.EXE
// then refuses any other archive. A slot of zeros, as built, is unsealed.
#pragma once

#include "checksum/sha256.h"

struct ArchiveSeal {
  char Tag[12]; // appears once in SETUP.EXE: here
  unsigned char Digest[Sha256Size];
};

inline constexpr ArchiveSeal UnsealedSlot = {"Nuvik seal:", {}};

inline bool IsSealed(const ArchiveSeal& seal) {
  for (const unsigned char byte : seal.Digest)
    if (byte) return true;
  return false;
}

// Whether a SETUP.EXE with this seal takes an archive of this digest: unsealed, any.
inline bool SealAccepts(const ArchiveSeal& seal, const unsigned char (&digest)[Sha256Size]) {
  unsigned char differs = 0;
  for (int i = 0; i < Sha256Size; ++i)
    differs |= seal.Digest[i] ^ digest[i];
  return !differs || !IsSealed(seal);
}
