// The decoder as plainly as it can be written: a bit and a byte at a time, the tree
// updated node by node and rebuilt by insertion. The product is checked against it.
#pragma once

#include "codec_support.h"
#include "lzhuf.h"

struct ReferenceTree {
  uint16_t Weight[NodeCount + 1], Child[NodeCount], Parent[NodeCount + SymbolCount];
  void Reset();
  void Rebuild();
  void Adapt(int symbol);
};

struct ReferenceDecoder {
  ReferenceTree Tree;
  uint8_t Ring[RingSize] = {};
  // Decodes the entry stream at `start` of `file` as DecodeEntry does from a stream
  // standing there; the ring carries over from one call to the next.
  Decoding Decode(const Bytes& file, size_t start);
};
