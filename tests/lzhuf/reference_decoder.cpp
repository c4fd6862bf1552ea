#include "reference_decoder.h"

#include "lzhuf.h"
#include "offset_code.h"

#include <cstring>

void ReferenceTree::Reset() {
  for (int s = 0; s < 314; ++s) {
    Weight[s] = 1;
    Child[s] = static_cast<uint16_t>(627 + s);
    Parent[627 + s] = static_cast<uint16_t>(s);
  }
  for (int i = 0, j = 314; j < 627; i += 2, ++j) {
    Weight[j] = static_cast<uint16_t>(Weight[i] + Weight[i + 1]);
    Child[j] = static_cast<uint16_t>(i);
    Parent[i] = Parent[i + 1] = static_cast<uint16_t>(j);
  }
  Weight[627] = 0xFFFF;
  Parent[626] = 0;
}

void ReferenceTree::Rebuild() {
  int j = 0;
  for (int i = 0; i < 627; ++i)
    if (Child[i] >= 627) {
      Weight[j] = static_cast<uint16_t>((Weight[i] + 1) / 2);
      Child[j] = Child[i];
      ++j;
    }
  for (int i = 0, j = 314; j < 627; i += 2, ++j) {
    const unsigned f = Weight[i] + Weight[i + 1];
    int p = j - 1;
    while (f < Weight[p])
      --p;
    ++p;
    for (int q = j; q > p; --q) {
      Weight[q] = Weight[q - 1];
      Child[q] = Child[q - 1];
    }
    Weight[p] = static_cast<uint16_t>(f);
    Child[p] = static_cast<uint16_t>(i);
  }
  for (int i = 0; i < 627; ++i) {
    Parent[Child[i]] = static_cast<uint16_t>(i);
    if (Child[i] < 627) Parent[Child[i] + 1] = static_cast<uint16_t>(i);
  }
}

void ReferenceTree::Adapt(int symbol) {
  if (Weight[626] == 0x8000) Rebuild();
  int n = Parent[627 + symbol];
  do {
    const unsigned k = ++Weight[n];
    if (k > Weight[n + 1]) {
      int m = n + 1;
      while (k > Weight[m])
        ++m;
      --m;
      Weight[n] = Weight[m];
      Weight[m] = static_cast<uint16_t>(k);
      const int a = Child[n];
      const int b = Child[m];
      Child[n] = static_cast<uint16_t>(b);
      Child[m] = static_cast<uint16_t>(a);
      Parent[a] = static_cast<uint16_t>(m);
      if (a < 627) Parent[a + 1] = static_cast<uint16_t>(m);
      Parent[b] = static_cast<uint16_t>(n);
      if (b < 627) Parent[b + 1] = static_cast<uint16_t>(n);
      n = m;
    }
    n = Parent[n];
  } while (n != 0);
}

namespace {

// Sixteen bits, refilled a byte at a time whenever eight or fewer are left. Bits made
// up after the end of the file are counted: a code that takes any is refused.
struct Bits {
  const Bytes& File;
  size_t Position;
  unsigned Buffer = 0;
  unsigned Count = 0;
  unsigned MadeUp = 0;

  int Next() {
    while (Count <= 8) {
      unsigned v = 0;
      if (Position < File.size() && MadeUp == 0)
        v = File[Position++];
      else
        MadeUp += 8;
      Buffer |= v << (8 - Count);
      Count += 8;
    }
    const int bit = (Buffer >> 15) & 1;
    Buffer = (Buffer << 1) & 0xFFFF;
    --Count;
    return bit;
  }
  bool Sound() const { return Count >= MadeUp; }
};

} // namespace

ReferenceDecoding ReferenceDecoder::Decode(const Bytes& file, size_t start) {
  if (start + 4 > file.size()) return {DecodeNoSize, {}, file.size()};
  uint32_t size = 0;
  for (int i = 3; i >= 0; --i)
    size = size << 8 | file[start + i];
  Bits in{file, start + 4};
  ReferenceDecoding result{DecodeDone, {}, in.Position};
  if (size == 0) return result;
  Tree.Reset();
  std::memset(Ring, 0x20, 4036);
  unsigned position = 4036;
  auto put = [&](uint8_t byte) {
    if (result.Output.size() < size) result.Output.push_back(byte);
    Ring[position] = byte;
    position = (position + 1) % 4096;
  };
  while (result.Output.size() < size) {
    int n = Tree.Child[626];
    while (n < 627)
      n = Tree.Child[n + in.Next()];
    if (!in.Sound()) {
      result.Status = DecodeStreamEnded;
      break;
    }
    const int symbol = n - 627;
    Tree.Adapt(symbol);
    if (symbol < 256) {
      put(static_cast<uint8_t>(symbol));
      continue;
    }
    int b = 0;
    for (int i = 0; i < 8; ++i)
      b = 2 * b + in.Next();
    const int high = OffsetHighCode[b];
    for (int extra = OffsetCodeLength[b] - 2; extra > 0; --extra)
      b = 2 * b + in.Next();
    if (!in.Sound()) {
      result.Status = DecodeStreamEnded;
      break;
    }
    unsigned source = (position - (high * 64 + (b & 63)) - 1) % 4096;
    for (int i = 0; i < symbol - 253; ++i) {
      put(Ring[source]);
      source = (source + 1) % 4096;
    }
  }
  result.Position = in.Position;
  return result;
}
