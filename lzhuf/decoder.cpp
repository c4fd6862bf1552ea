#include "lzhuf.h"

#include "format/little_endian.h"
#include "model.h"
#include "offset_code.h"

#include <cstring>

namespace {

// The bit input lives in registers while an entry decodes: it starts afresh with each
// entry, so nothing of it needs to outlive the call. BitBuffer holds the format's 16
// bits in the upper half of a machine word, so that no shift needs masking.
struct BitInput {
  ByteStream* Input;
  uint32_t BitBuffer;
  unsigned BitCount;
  // How many of the low valid bits of BitBuffer the refill made up after the input
  // ended or failed. A code that reaches into them belongs to a damaged entry.
  unsigned InventedBits;
};

// The ring outlives each entry (the next one inherits its tail); the position in it
// restarts with every entry, so it lives in a register like the bit input.
unsigned char Ring[RingSize];

inline void Refill(BitInput& in) {
  while (in.BitCount <= 8) {
    int v = 0;
    if (in.InventedBits == 0) v = ReadByte(in.Input);
    // Once the input has let us down nothing more is read from it, so every bit from
    // here on counts as made up.
    if (v == StreamEnd || in.InventedBits != 0) {
      v = 0;
      in.InventedBits += 8;
    }
    in.BitBuffer |= static_cast<uint32_t>(v) << (24 - in.BitCount);
    in.BitCount += 8;
  }
}

inline int ReadBit(BitInput& in) {
  if (in.BitCount <= 8) Refill(in);
  const int bit = static_cast<int>(in.BitBuffer >> 31);
  in.BitBuffer <<= 1;
  --in.BitCount;
  return bit;
}

inline int ReadEightBits(BitInput& in) {
  if (in.BitCount <= 8) Refill(in);
  const int bits = static_cast<int>(in.BitBuffer >> 24);
  in.BitBuffer <<= 8;
  in.BitCount -= 8;
  return bits;
}

// Called after each complete code: any made-up bit it used lies below the bits still
// valid, so the code is sound exactly when those bits are all still unread.
inline bool CodeWasRead(const BitInput& in) {
  return in.BitCount >= in.InventedBits;
}

// The symbol, or -1 when its code reached past the end of the stream; the model
// adapts only to a symbol that was really there.
inline int DecodeSymbol(BitInput& in) {
  int n = NodeChild[RootNode];
  while (n < NodeCount)
    n = NodeChild[n + ReadBit(in)];
  if (!CodeWasRead(in)) return -1;
  const int symbol = n - NodeCount;
  AdaptModel(symbol);
  return symbol;
}

// The offset, or -1 when its code reached past the end of the stream.
inline int DecodeOffset(BitInput& in) {
  int b = ReadEightBits(in);
  const int high = OffsetHighCode[b];
  for (int extra = OffsetCodeLength[b] - 2; extra > 0; --extra)
    b = 2 * b + ReadBit(in);
  if (!CodeWasRead(in)) return -1;
  return high * 64 + (b & 63);
}

inline bool PutByte(int byte, ByteStream* output) {
  return WriteByte(output, byte) != StreamEnd;
}

} // namespace

int DecodeEntry(ByteStream* input, ByteStream* output) {
  BitInput in = {input, 0, 0, 0};
  unsigned char field[4];
  if (!ReadBlock(input, field, sizeof field)) return DecodeNoSize;
  const uint32_t unpackedSize = LittleEndian32(field);
  if (unpackedSize == 0) return DecodeDone;
  ResetModel();
  std::memset(Ring, 0x20, RingFill);
  int ringPos = RingFill;
  uint32_t remaining = unpackedSize;
  while (remaining > 0) {
    const int symbol = DecodeSymbol(in);
    if (symbol < 0) return DecodeStreamEnded;
    if (symbol < 256) {
      if (!PutByte(symbol, output)) return DecodeWriteFailed;
      Ring[ringPos] = static_cast<unsigned char>(symbol);
      ringPos = (ringPos + 1) & (RingSize - 1);
      --remaining;
      continue;
    }
    const int offset = DecodeOffset(in);
    if (offset < 0) return DecodeStreamEnded;
    int source = (ringPos - offset - 1) & (RingSize - 1);
    const uint32_t length = static_cast<uint32_t>(symbol - 253);
    // A last match that runs past the size still goes through the ring, whose tail the
    // next entry inherits, but the file gets only the bytes it is owed.
    const uint32_t written = length < remaining ? length : remaining;
    for (uint32_t i = 0; i < length; ++i) {
      const unsigned char v = Ring[source];
      if (i < written && !PutByte(v, output)) return DecodeWriteFailed;
      Ring[ringPos] = v;
      ringPos = (ringPos + 1) & (RingSize - 1);
      source = (source + 1) & (RingSize - 1);
    }
    remaining -= written;
  }
  return DecodeDone;
}
