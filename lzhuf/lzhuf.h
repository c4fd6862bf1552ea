// LZHUF: an LZSS sliding dictionary of 4096 bytes whose literals and match lengths
// are coded with one adaptive Huffman code over 314 symbols. These constants are the
// format; changing any of them makes a different, incompatible stream.
#pragma once

#include "byte_stream.h"

#include <cstdint>

inline constexpr int RingSize = 4096;
inline constexpr int MaxMatch = 60;
inline constexpr int MatchThreshold = 2;
inline constexpr int SymbolCount = 256 + MaxMatch - MatchThreshold; // 314
inline constexpr int NodeCount = 2 * SymbolCount - 1;               // 627
inline constexpr int RootNode = NodeCount - 1;                      // 626
inline constexpr unsigned WeightLimit = 0x8000;
inline constexpr int RingFill = RingSize - MaxMatch; // 4036 bytes of 0x20, then RingPos

// Decodes one entry stream (UnpackedSize, then the bit stream) from `input`, which
// stands at the entry, into `output`. A size field that cannot be read, a bit stream
// that ends before UnpackedSize bytes are decoded, or a failed write goes to
// FatalError and does not return. Writes exactly UnpackedSize bytes.
void DecodeEntry(ByteStream* input, ByteStream* output);
