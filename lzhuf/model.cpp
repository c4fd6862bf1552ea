#include "model.h"

uint16_t NodeWeight[NodeCount + WeightSentinels];
uint16_t NodeChild[NodeCount];
uint16_t NodeParent[NodeCount + SymbolCount];

namespace {

// Every node's children learn their parent from the child links.
void LinkParents() {
  for (unsigned i = 0; i < NodeCount; ++i) {
    const unsigned a = NodeChild[i];
    NodeParent[a] = static_cast<uint16_t>(i);
    if (a < NodeCount) NodeParent[a + 1] = static_cast<uint16_t>(i);
  }
}

} // namespace

void ResetModel() {
  for (unsigned s = 0; s < SymbolCount; ++s) {
    NodeWeight[s] = 1;
    NodeChild[s] = static_cast<uint16_t>(NodeCount + s);
  }
  for (unsigned i = 0, j = SymbolCount; j < NodeCount; i += 2, ++j) {
    NodeWeight[j] = static_cast<uint16_t>(NodeWeight[i] + NodeWeight[i + 1]);
    NodeChild[j] = static_cast<uint16_t>(i);
  }
  for (unsigned i = NodeCount; i < NodeCount + WeightSentinels; ++i)
    NodeWeight[i] = 0xFFFF;
  LinkParents();
  NodeParent[RootNode] = 0;
}

// The format builds the tree as a node list by insertion: each new node, the sum of the
// next two unpaired nodes, goes behind every node of equal or lower weight. The order
// among equals is part of the code both sides must agree on. Both the leaves (gathered
// in their old order) and the new nodes come in order of weight, so the list is their
// merge, a leaf going first between equals, and one pass makes it.
void RebuildModel() {
  uint16_t leafWeight[SymbolCount];
  uint16_t leafChild[SymbolCount];
  unsigned leaves = 0;
  for (unsigned i = 0; i < NodeCount; ++i) {
    if (NodeChild[i] >= NodeCount) {
      leafWeight[leaves] = static_cast<uint16_t>((NodeWeight[i] + 1) / 2);
      leafChild[leaves] = NodeChild[i];
      ++leaves;
    }
  }
  // The next leaf to place, and the first node of the next pair to join: the joined
  // nodes take their places in the order they are made.
  unsigned leaf = 0;
  unsigned pair = 0;
  for (unsigned n = 0; n < NodeCount; ++n) {
    // A pair can be joined once both of its nodes have their places.
    const bool joinedWaits = pair + 1 < n;
    const unsigned joinedWeight = joinedWaits ? NodeWeight[pair] + NodeWeight[pair + 1] : 0x10000u;
    if (leaf < SymbolCount && leafWeight[leaf] <= joinedWeight) {
      NodeWeight[n] = leafWeight[leaf];
      NodeChild[n] = leafChild[leaf];
      ++leaf;
    } else {
      NodeWeight[n] = static_cast<uint16_t>(joinedWeight);
      NodeChild[n] = static_cast<uint16_t>(pair);
      pair += 2;
    }
  }
  LinkParents();
}
