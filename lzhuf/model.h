// The adaptive Huffman code over the 314 symbols, kept as a tree of 627 nodes whose
// weights never decrease with the node index. The decoder and the encoder run the very
// same adaptation, so they stay in step symbol by symbol.
#pragma once

#include "lzhuf.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// How many sentinels follow the weights: the partner search may look at eight weights
// at once, all of them inside the array.
inline constexpr int WeightSentinels = 8;

// Weights of nodes 0 to 626; entries 627 onwards are sentinels of 0xFFFF that stop
// every upward scan.
extern uint16_t NodeWeight[NodeCount + WeightSentinels];
// For an internal node its first child (the second is the next node); for a leaf,
// NodeCount + its symbol.
extern uint16_t NodeChild[NodeCount];
// Entries 0 to 626: each node's parent (0 for the root). Entries 627 onwards, indexed
// by NodeCount + symbol: the leaf that holds the symbol.
extern uint16_t NodeParent[NodeCount + SymbolCount];

// The tree every non-empty entry starts from.
void ResetModel();
// Halves the leaf weights (rounding up) and builds the internal nodes afresh.
void RebuildModel();

// The node to trade places with node n, whose weight has just become k while node
// n + 1 still weighs less: the last node of the weight class n has left.
inline unsigned SwapPartner(unsigned n, unsigned k) {
  unsigned m = n + 1;
#if defined(__SSE2__)
  // Eight weights a time: a lane is at least k exactly when k minus it saturates to 0.
  const __m128i key = _mm_set1_epi16(static_cast<short>(k));
  for (;; m += 8) {
    const __m128i weights = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&NodeWeight[m + 1]));
    const unsigned heavier = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(key, weights), _mm_setzero_si128())));
    if (heavier) return m + (static_cast<unsigned>(__builtin_ctz(heavier)) >> 1);
  }
#else
  while (k > NodeWeight[m + 1])
    ++m;
  return m;
#endif
}

// Counts one more occurrence of the symbol in `leaf`, keeping the weight order by
// exchanging subtrees, and calls moved(n, m) after nodes n and m have traded their
// contents. Inline: it runs once per symbol on both sides and is most of the coder's
// time.
template <class Moved> inline void CountFrom(unsigned leaf, Moved moved) {
  unsigned n = leaf;
  do {
    const unsigned k = ++NodeWeight[n];
    if (k > NodeWeight[n + 1]) {
      const unsigned m = SwapPartner(n, k);
      NodeWeight[n] = NodeWeight[m];
      NodeWeight[m] = static_cast<uint16_t>(k);
      // Only the contents move: the two subtrees trade places under their parents.
      const unsigned a = NodeChild[n];
      const unsigned b = NodeChild[m];
      NodeChild[m] = static_cast<uint16_t>(a);
      NodeChild[n] = static_cast<uint16_t>(b);
      // A leaf's entry is its symbol's, written twice rather than after a branch.
      NodeParent[a] = NodeParent[a + (a < NodeCount)] = static_cast<uint16_t>(m);
      NodeParent[b] = NodeParent[b + (b < NodeCount)] = static_cast<uint16_t>(n);
      moved(n, m);
      n = m;
    }
    n = NodeParent[n];
  } while (n != 0);
}

// The update as the encoder runs it: rebuilds first when the root weight has reached
// WeightLimit, then counts the symbol.
inline void AdaptModel(int symbol) {
  if (NodeWeight[RootNode] == WeightLimit) RebuildModel();
  CountFrom(NodeParent[NodeCount + symbol], [](unsigned, unsigned) {});
}
