// The adaptive Huffman code over the 314 symbols, kept as a tree of 627 nodes whose
// weights never decrease with the node index. The decoder and the encoder run the very
// same adaptation, so they stay in step symbol by symbol.
#pragma once

#include "lzhuf.h"

#include <cstdint>

// Weights of nodes 0 to 626; entry 627 is a sentinel of 0xFFFF that stops every
// upward scan.
extern uint16_t NodeWeight[NodeCount + 1];
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

// Counts one more occurrence of `symbol`, keeping the weight order by exchanging
// subtrees; rebuilds first when the root weight has reached WeightLimit. Inline: it runs
// once per symbol on both sides and is most of the coder's time.
inline void AdaptModel(int symbol) {
  if (NodeWeight[RootNode] == WeightLimit) RebuildModel();
  int n = NodeParent[NodeCount + symbol];
  do {
    const unsigned k = ++NodeWeight[n];
    if (k > NodeWeight[n + 1]) {
      int m = n + 1;
      while (k > NodeWeight[m + 1])
        ++m;
      NodeWeight[n] = NodeWeight[m];
      NodeWeight[m] = static_cast<uint16_t>(k);
      // Only the contents move: the two subtrees trade places under their parents.
      const int a = NodeChild[n];
      const int b = NodeChild[m];
      NodeChild[m] = static_cast<uint16_t>(a);
      NodeChild[n] = static_cast<uint16_t>(b);
      NodeParent[a] = static_cast<uint16_t>(m);
      if (a < NodeCount) NodeParent[a + 1] = static_cast<uint16_t>(m);
      NodeParent[b] = static_cast<uint16_t>(n);
      if (b < NodeCount) NodeParent[b + 1] = static_cast<uint16_t>(n);
      n = m;
    }
    n = NodeParent[n];
  } while (n != 0);
}
