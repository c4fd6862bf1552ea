#include "reference_decoder.h"

#include "offset_code.h"

#include <cstring>
#include <utility>

void ReferenceTree::Reset() {
  for (int s = 0; s < SymbolCount; ++s) {
    Weight[s] = 1;
    Child[s] = static_cast<uint16_t>(NodeCount + s);
    Parent[NodeCount + s] = static_cast<uint16_t>(s);
  }
  for (int i = 0, j = SymbolCount; j < NodeCount; i += 2, ++j) {
    Weight[j] = static_cast<uint16_t>(Weight[i] + Weight[i + 1]);
    Child[j] = static_cast<uint16_t>(i);
    Parent[i] = Parent[i + 1] = static_cast<uint16_t>(j);
  }
  Weight[NodeCount] = 0xFFFF;
  Parent[RootNode] = 0;
}

void ReferenceTree::Rebuild() {
  int j = 0;
  for (int i = 0; i < NodeCount; ++i)
    if (Child[i] >= NodeCount) {
      Weight[j] = static_cast<uint16_t>((Weight[i] + 1) / 2);
      Child[j++] = Child[i];
    }
  for (int i = 0; j < NodeCount; i += 2, ++j) {
    const unsigned f = Weight[i] + Weight[i + 1];
    int p = j;
    for (; f < Weight[p - 1]; --p) {
      Weight[p] = Weight[p - 1];
      Child[p] = Child[p - 1];
    }
    Weight[p] = static_cast<uint16_t>(f);
    Child[p] = static_cast<uint16_t>(i);
  }
  for (int i = 0; i < NodeCount; ++i) {
    Parent[Child[i]] = static_cast<uint16_t>(i);
    if (Child[i] < NodeCount) Parent[Child[i] + 1] = static_cast<uint16_t>(i);
  }
}

void ReferenceTree::Adapt(int symbol) {
  if (Weight[RootNode] == WeightLimit) Rebuild();
  int n = Parent[NodeCount + symbol];
  do {
    const unsigned k = ++Weight[n];
    int m = n;
    while (k > Weight[m + 1])
      ++m;
    if (m == n) continue;
    std::swap(Weight[n], Weight[m]);
    std::swap(Child[n], Child[m]);
    for (const int x : {n, m}) {
      Parent[Child[x]] = static_cast<uint16_t>(x);
      if (Child[x] < NodeCount) Parent[Child[x] + 1] = static_cast<uint16_t>(x);
    }
    n = m;
  } while ((n = Parent[n]) != 0);
}

Decoding ReferenceDecoder::Decode(const Bytes& file, size_t start) {
  if (start + 4 > file.size()) return {DecodeNoSize, {}, static_cast<long>(file.size())};
  const uint32_t size = file[start] | file[start + 1] << 8 | file[start + 2] << 16 |
                        static_cast<uint32_t>(file[start + 3]) << 24;
  size_t position = start + 4;
  // Sixteen bits, refilled a byte at a time whenever eight or fewer are left; the bits
  // made up after the end of the file are counted, and a code that takes one is refused.
  unsigned buffer = 0, count = 0, madeUp = 0;
  auto bit = [&] {
    for (; count <= 8; count += 8)
      if (position < file.size() && madeUp == 0)
        buffer |= file[position++] << (8 - count);
      else
        madeUp += 8;
    const int b = buffer >> 15 & 1;
    buffer = buffer << 1 & 0xFFFF;
    --count;
    return b;
  };
  Decoding result{DecodeDone, {}, 0};
  unsigned ring = RingFill;
  auto put = [&](uint8_t byte) {
    if (result.Output.size() < size) result.Output.push_back(byte);
    Ring[ring] = byte;
    ring = (ring + 1) % RingSize;
  };
  if (size > 0) {
    Tree.Reset();
    std::memset(Ring, 0x20, RingFill);
  }
  while (result.Output.size() < size) {
    int n = Tree.Child[RootNode];
    while (n < NodeCount)
      n = Tree.Child[n + bit()];
    if (count < madeUp) {
      result.Status = DecodeStreamEnded;
      break;
    }
    const int symbol = n - NodeCount;
    Tree.Adapt(symbol);
    if (symbol < 256) {
      put(static_cast<uint8_t>(symbol));
      continue;
    }
    int b = 0;
    for (int i = 0; i < 8; ++i)
      b = 2 * b + bit();
    const int high = OffsetHighCode[b];
    for (int extra = OffsetCodeLength[b] - 2; extra > 0; --extra)
      b = 2 * b + bit();
    if (count < madeUp) {
      result.Status = DecodeStreamEnded;
      break;
    }
    unsigned from = ring - (high * 64 + (b & 63)) - 1;
    for (int i = 0; i < symbol - 253; ++i)
      put(Ring[from++ % RingSize]);
  }
  result.Position = static_cast<long>(position);
  return result;
}
