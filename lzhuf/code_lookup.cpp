#include "code_lookup.h"

#include <bit>
#include <cstring>

uint16_t CodeLookup[1u << LookupBits];
uint8_t TopCode[NodeCount];

namespace {

// Walks the subtree under `node`, which is `depth` deep and reached by `prefix`, down
// to depth 7 or its leaves, marking its top nodes and filling their table entries.
void Fill(unsigned node, unsigned depth, unsigned prefix) {
  const unsigned child = NodeChild[node];
  if (depth == LookupBits || child >= NodeCount) {
    const unsigned shift = LookupBits - depth;
    const unsigned entry = node | depth << LookupLengthShift;
    for (unsigned i = prefix << shift, end = (prefix + 1) << shift; i < end; ++i)
      CodeLookup[i] = static_cast<uint16_t>(entry);
    if (depth < LookupBits) TopCode[node] = static_cast<uint8_t>(1u << depth | prefix);
    return;
  }
  TopCode[node] = static_cast<uint8_t>(1u << depth | prefix);
  Fill(child, depth + 1, prefix << 1);
  Fill(child + 1, depth + 1, prefix << 1 | 1);
}

// Unmarks the top nodes below `node`, whose subtree stood `depth` deep before it moved.
void Unmark(unsigned node, unsigned depth) {
  const unsigned child = NodeChild[node];
  if (child >= NodeCount || depth + 1 >= LookupBits) return;
  TopCode[child] = TopCode[child + 1] = 0;
  Unmark(child, depth + 1);
  Unmark(child + 1, depth + 1);
}

unsigned DepthOf(unsigned code) {
  return static_cast<unsigned>(std::bit_width(code)) - 1;
}

} // namespace

void BuildCodeLookup() {
  std::memset(TopCode, 0, sizeof TopCode);
  Fill(RootNode, 0, 0);
}

void PatchCodeLookup(unsigned n, unsigned m) {
  const unsigned codeN = TopCode[n];
  const unsigned codeM = TopCode[m];
  // Each subtree's marks still tell the depth it came from.
  if (codeN) Unmark(m, DepthOf(codeN));
  if (codeM) Unmark(n, DepthOf(codeM));
  if (codeN) Fill(n, DepthOf(codeN), codeN ^ 1u << DepthOf(codeN));
  if (codeM) Fill(m, DepthOf(codeM), codeM ^ 1u << DepthOf(codeM));
}
