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
// Counts one more occurrence of `symbol`, keeping the weight order by exchanging
// subtrees; rebuilds first when the root weight has reached WeightLimit.
void AdaptModel(int symbol);
// Halves the leaf weights (rounding up) and builds the internal nodes afresh.
void RebuildModel();
