#include "model.h"

#include <cstring>

uint16_t NodeWeight[NodeCount + 1];
uint16_t NodeChild[NodeCount];
uint16_t NodeParent[NodeCount + SymbolCount];

void ResetModel() {
  for (int s = 0; s < SymbolCount; ++s) {
    NodeWeight[s] = 1;
    NodeChild[s] = static_cast<uint16_t>(NodeCount + s);
    NodeParent[NodeCount + s] = static_cast<uint16_t>(s);
  }
  for (int i = 0, j = SymbolCount; j < NodeCount; i += 2, ++j) {
    NodeWeight[j] = static_cast<uint16_t>(NodeWeight[i] + NodeWeight[i + 1]);
    NodeChild[j] = static_cast<uint16_t>(i);
    NodeParent[i] = NodeParent[i + 1] = static_cast<uint16_t>(j);
  }
  NodeWeight[NodeCount] = 0xFFFF;
  NodeParent[RootNode] = 0;
}

void RebuildModel() {
  int j = 0;
  for (int i = 0; i < NodeCount; ++i) {
    if (NodeChild[i] >= NodeCount) {
      NodeWeight[j] = static_cast<uint16_t>((NodeWeight[i] + 1) / 2);
      NodeChild[j] = NodeChild[i];
      ++j;
    }
  }
  for (int i = 0, j = SymbolCount; j < NodeCount; i += 2, ++j) {
    const unsigned f = NodeWeight[i] + NodeWeight[i + 1];
    int p = j - 1;
    while (f < NodeWeight[p])
      --p;
    ++p;
    // Equal weights stay in front of the new node: the order among equals is part of
    // the code both sides must agree on.
    std::memmove(&NodeWeight[p + 1], &NodeWeight[p], (j - p) * sizeof NodeWeight[0]);
    std::memmove(&NodeChild[p + 1], &NodeChild[p], (j - p) * sizeof NodeChild[0]);
    NodeWeight[p] = static_cast<uint16_t>(f);
    NodeChild[p] = static_cast<uint16_t>(i);
  }
  for (int i = 0; i < NodeCount; ++i) {
    const int a = NodeChild[i];
    NodeParent[a] = static_cast<uint16_t>(i);
    if (a < NodeCount) NodeParent[a + 1] = static_cast<uint16_t>(i);
  }
}
