#include "lzhuf.h"

#include "code_lookup.h"
#include "little_endian.h"
#include "model.h"
#include "offset_code.h"

#include "checksum/crc32.h"

#include <cstddef>
#include <cstring>

namespace {

// The bit buffer is a machine word: 64 bits on the tools' machines, 32 in SETUP.EXE.
using BitWord = uintptr_t;
constexpr unsigned WordBits = sizeof(BitWord) * 8;

// The input comes in blocks into a buffer of the decoder's own; what it read beyond the
// last bit it used goes back to the stream at the end. Behind the bytes read lie zeros,
// which the word-wide refill may load but no sound code uses. A code is at most 21 bits
// long (a Huffman tree of root weight 0x8000 is at most that deep), so a symbol and its
// offset take at most 35 bits, five bytes.
constexpr size_t InputBlock = 32 * 1024;
// The first block is smaller: most entries of an installation are small files, and what
// is read beyond an entry is read twice.
constexpr size_t FirstInputBlock = 4 * 1024;
constexpr size_t InputMargin = 32;
unsigned char Input[InputBlock + InputMargin];

// The last 4096 bytes decoded, then room for a block of output: the decoder writes
// straight into it and hands the output its bytes a block at a time. Between entries its
// first 60 bytes hold what the ring's positions 4036 to 4095 held, which the next
// entry inherits; they are zero before the first entry.
constexpr size_t OutputBlock = 64 * 1024;
constexpr size_t CopyChunk = 16;
unsigned char Window[RingSize + OutputBlock + MaxMatch + CopyChunk];

// The bit input while an entry decodes, all of it in registers: `Bits` holds the next
// bits from its top bit down, `Count` of them valid; below them lie either zeros or
// the stream's next bits, so a refill may OR the same bits in again.
struct BitInput {
  BitWord Bits;
  unsigned Count;
  const unsigned char* Next; // the next byte not yet in Bits
  const unsigned char* End;  // the end of the bytes read from the stream
};

inline BitWord LoadBigEndian(const unsigned char* bytes) {
  BitWord word;
  std::memcpy(&word, bytes, sizeof word);
  if constexpr (sizeof word == 8)
    return __builtin_bswap64(word);
  else
    return __builtin_bswap32(word);
}

// Tops the buffer up to at least WordBits - 8 valid bits, taking whole bytes.
inline void Refill(BitInput& in) {
  in.Bits |= LoadBigEndian(in.Next) >> in.Count;
  in.Next += (WordBits - 1 - in.Count) >> 3;
  in.Count |= WordBits - 8;
}

inline unsigned TakeBits(BitInput& in, unsigned length) {
  const unsigned bits = static_cast<unsigned>(in.Bits >> (WordBits - length));
  in.Bits <<= length;
  in.Count -= length;
  return bits;
}

// Whether every bit taken so far came from the stream: a code that reached into the
// zeros behind its end belongs to a damaged entry.
inline bool BitsWereRead(const BitInput& in) {
  return (in.Next - in.End) * 8 <= static_cast<ptrdiff_t>(in.Count);
}

// The leaf of the next symbol's code.
inline unsigned DecodeLeaf(BitInput& in) {
  const unsigned entry = CodeLookup[in.Bits >> (WordBits - LookupBits)];
  const unsigned length = entry >> LookupLengthShift;
  in.Bits <<= length;
  in.Count -= length;
  unsigned node = entry & LookupNodeMask;
  for (unsigned child; (child = NodeChild[node]) < NodeCount;)
    node = child + TakeBits(in, 1);
  return node;
}

// The offset code's tables, made before the first entry.
OffsetCodeTables Offsets;

[[gnu::cold, gnu::noinline]] void MakeOffsetTables() {
  FillOffsetCodeTables(Offsets);
}

// The offset's code: its upper 6 bits by the table of the next 8 bits, then 6 bits.
inline unsigned DecodeOffset(BitInput& in) {
  const unsigned b = static_cast<unsigned>(in.Bits >> (WordBits - 8));
  const unsigned length = Offsets.CodeLength[b] + 6u;
  return Offsets.HighCode[b] * 64u + (TakeBits(in, length) & 63);
}

// What has come of the stream: `Dropped` bytes before the buffer's first, `Read` bytes
// in all, and whether it has given its last.
struct InputState {
  uint32_t Dropped;
  uint32_t Read;
  bool Ended;
};

// Moves the bytes not yet in the bit buffer to the front and reads behind them until
// InputMargin bytes are there or the stream has ended. A stream may give less than
// asked, SETUP.EXE's what its buffer holds, so that what goes back at the end mostly
// lies in that buffer still.
// Once per block: optimised for size (cold), as is all that runs once per entry.
[[gnu::cold, gnu::noinline]] void FillInput(BitInput& in, ByteStream* input, InputState& state) {
  size_t held = static_cast<size_t>(in.End - in.Next);
  std::memmove(Input, in.Next, held);
  state.Dropped += static_cast<uint32_t>(in.Next - Input);
  const size_t block = state.Read == 0 ? FirstInputBlock : InputBlock;
  do {
    const size_t got = ReadUpTo(input, Input + held, block - held);
    state.Read += static_cast<uint32_t>(got);
    held += got;
    state.Ended = got == 0;
  } while (!state.Ended && held < InputMargin);
  in.Next = Input;
  in.End = Input + held;
  std::memset(Input + held, 0, InputMargin);
}

// Where the stream stood when the decoder read a byte at a time, taking the next byte
// whenever fewer than 9 bits were left: one byte beyond the last that holds a bit used.
// The rest of what was read goes back. The caller positions the stream before each
// entry, so a give-back that fails costs nothing.
[[gnu::cold, gnu::noinline]] void GiveBackUnused(const BitInput& in, ByteStream* input,
                                                 const InputState& state) {
  const uint32_t loaded = state.Dropped + static_cast<uint32_t>(in.Next - Input);
  const uint32_t held = loaded - in.Count / 8 + 1;
  if (held < state.Read) GiveBack(input, state.Read - held);
}

// The ring's positions 4036 to 4095 after `total` bytes went through it, the last of
// them at `end`, into the first 60 bytes of Window for the next entry.
[[gnu::cold, gnu::noinline]] void KeepRingTail(const unsigned char* end, uint32_t total) {
  unsigned char tail[MaxMatch];
  for (uint32_t t = 0; t < MaxMatch; ++t)
    tail[t] = end[-1 - static_cast<ptrdiff_t>((total - 1 - t) & (RingSize - 1))];
  std::memcpy(Window, tail, sizeof tail);
}

// The CRC-32 of the entry's bytes written so far, counted when one is expected. Kept
// here rather than in the decoding loop, whose registers are all taken.
const uint32_t* WantedCrc;
uint32_t WrittenCrc;

// Writes a block of the output, once per 64 KiB.
[[gnu::cold, gnu::noinline]] bool Emit(ByteStream* output, const unsigned char* bytes,
                                       size_t length) {
  if (WantedCrc) WrittenCrc = Crc32(WrittenCrc, bytes, length);
  return WriteBlock(output, bytes, length);
}

} // namespace

int DecodeEntry(ByteStream* input, ByteStream* output, const uint32_t* expectedCrc) {
  unsigned char field[4];
  if (!ReadBlock(input, field, sizeof field)) return DecodeNoSize;
  const uint32_t unpackedSize = LittleEndian32(field);
  // The CRC of no bytes is 0.
  if (unpackedSize == 0) return expectedCrc && *expectedCrc ? DecodeWrongBytes : DecodeDone;
  WantedCrc = expectedCrc;
  WrittenCrc = 0;
  if (!Offsets.Length[0]) MakeOffsetTables();
  ResetModel();
  BuildCodeLookup();
  // The ring as it stands before the entry's first byte, oldest byte first: the tail
  // of the entry before, then the fill of blanks.
  std::memset(Window + MaxMatch, 0x20, RingFill);
  unsigned char* out = Window + RingSize;
  unsigned char* flushed = out;
  BitInput in = {0, 0, Input, Input};
  InputState state = {0, 0, false};
  uint32_t remaining = unpackedSize;
  uint32_t overrun = 0; // bytes of the last match past the size
  int status = DecodeDone;
  while (remaining > 0) {
    if (out >= Window + RingSize + OutputBlock) {
      if (!Emit(output, flushed, static_cast<size_t>(out - flushed))) {
        status = DecodeWriteFailed;
        break;
      }
      std::memmove(Window, out - RingSize, RingSize);
      out = flushed = Window + RingSize;
    }
    if (in.End - in.Next < static_cast<ptrdiff_t>(InputMargin) && !state.Ended)
      FillInput(in, input, state);
    Refill(in);
    const unsigned leaf = DecodeLeaf(in);
    if (!BitsWereRead(in)) {
      status = DecodeStreamEnded;
      break;
    }
    const unsigned symbol = NodeChild[leaf] - NodeCount;
    // The rebuild moves the leaf.
    unsigned node = leaf;
    if (NodeWeight[RootNode] == WeightLimit) {
      RebuildModel();
      BuildCodeLookup();
      node = NodeParent[NodeCount + symbol];
    }
    CountFrom(node, [](unsigned n, unsigned m) { KeepCodeLookup(n, m); });
    if (symbol < 256) {
      *out++ = static_cast<unsigned char>(symbol);
      --remaining;
      continue;
    }
    if (in.Count < 14) Refill(in);
    const unsigned distance = DecodeOffset(in) + 1;
    if (!BitsWereRead(in)) {
      status = DecodeStreamEnded;
      break;
    }
    const unsigned length = MatchLength(symbol);
    const unsigned char* source = out - distance;
    // A source at least a chunk behind never reads what this copy writes; a nearer
    // one repeats its last bytes, so it goes byte by byte.
    if (distance >= CopyChunk) {
      for (unsigned i = 0; i < length; i += CopyChunk)
        std::memcpy(out + i, source + i, CopyChunk);
    } else {
      for (unsigned i = 0; i < length; ++i)
        out[i] = source[i];
    }
    out += length;
    // A last match that runs past the size still goes through the ring, whose tail the
    // next entry inherits, but the file gets only the bytes it is owed.
    if (length > remaining) overrun = length - remaining;
    remaining -= length - overrun;
  }
  const uint32_t total = unpackedSize - remaining + overrun;
  KeepRingTail(out, total);
  if (status == DecodeWriteFailed) return status;
  if (!Emit(output, flushed, static_cast<size_t>(out - overrun - flushed)))
    return DecodeWriteFailed;
  if (status != DecodeDone) return status;
  GiveBackUnused(in, input, state);
  return expectedCrc && WrittenCrc != *expectedCrc ? DecodeWrongBytes : DecodeDone;
}
