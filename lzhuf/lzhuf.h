// LZHUF: an LZSS sliding dictionary of 4096 bytes whose literals and match lengths
// are coded with one adaptive Huffman code over 314 symbols. These constants are the
// format; changing any of them makes a different, incompatible stream.
#pragma once

#include "byte_stream.h"

#include <cstdint>

inline constexpr int RingSize = 4096;
inline constexpr int MaxMatch = 60;
inline constexpr int MatchThreshold = 2;
inline constexpr int MinMatch = MatchThreshold + 1;
inline constexpr int SymbolCount = 256 + MaxMatch - MatchThreshold; // 314
inline constexpr int NodeCount = 2 * SymbolCount - 1;               // 627
inline constexpr int RootNode = NodeCount - 1;                      // 626
inline constexpr unsigned WeightLimit = 0x8000;
inline constexpr int RingFill = RingSize - MaxMatch; // 4036 bytes of 0x20, then RingPos

// Symbols 0 to 255 are literal bytes; from 256 on, a match of MinMatch bytes and longer.
inline constexpr int MatchSymbol(int length) {
  return 256 + length - MinMatch;
}
inline constexpr unsigned MatchLength(unsigned symbol) {
  return symbol - (256 - MinMatch);
}

// What DecodeEntry reports; each program says in its own words what it means.
enum DecodeStatus {
  DecodeDone = 0,
  DecodeNoSize,      // fewer than 4 bytes for UnpackedSize
  DecodeStreamEnded, // the bit stream ends before UnpackedSize bytes are decoded
  DecodeWriteFailed, // a byte could not be written to `output`
  DecodeWrongBytes,  // all bytes decoded, but their CRC-32 is not the one expected
};

// Decodes one entry stream (UnpackedSize, then the bit stream) from `input`, which
// stands at the entry, into `output`, and returns a DecodeStatus. Writes exactly
// UnpackedSize bytes when it returns DecodeDone; after any other status `output` holds
// what was decoded until then. With `expectedCrc`, the CRC-32 of the bytes written must
// be that value (DecodeWrongBytes otherwise, the bytes written all the same).
int DecodeEntry(ByteStream* input, ByteStream* output, const uint32_t* expectedCrc = nullptr);
