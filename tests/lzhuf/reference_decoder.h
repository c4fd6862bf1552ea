// The decoder as plainly as it can be written: a bit at a time, a byte at a time, the
// tree updated node by node and rebuilt by insertion. The product's decoder and model
// are checked against it.
#pragma once

#include "codec_support.h"

#include <cstddef>
#include <cstdint>

struct ReferenceTree {
  uint16_t Weight[628];
  uint16_t Child[627];
  uint16_t Parent[941];

  void Reset();
  void Rebuild();
  void Adapt(int symbol);
};

struct ReferenceDecoding {
  int Status;
  Bytes Output;
  size_t Position; // where the input stood afterwards
};

struct ReferenceDecoder {
  ReferenceTree Tree;
  uint8_t Ring[4096] = {};

  // Decodes the entry stream at `start` of `file`, as DecodeEntry does from a stream
  // positioned there; the ring carries over from one call to the next.
  ReferenceDecoding Decode(const Bytes& file, size_t start);
};
