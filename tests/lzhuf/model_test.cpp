#include "code_lookup.h"
#include "codec_support.h"
#include "model.h"
#include "offset_code.h"
#include "reference_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Everything the coder relies on: weights ordered, parents summing their children,
// parent and leaf links agreeing with the child links, every symbol in one leaf.
void ExpectSoundTree() {
  std::vector<int> leafOf(SymbolCount, -1);
  for (int n = 0; n < NodeCount; ++n) {
    ASSERT_LE(NodeWeight[n], NodeWeight[n + 1]) << "node " << n;
    const int c = NodeChild[n];
    if (c >= NodeCount) {
      ASSERT_EQ(leafOf[c - NodeCount], -1);
      leafOf[c - NodeCount] = n;
      ASSERT_EQ(NodeParent[c], n);
    } else {
      ASSERT_LT(c + 1, n);
      ASSERT_EQ(NodeWeight[n], NodeWeight[c] + NodeWeight[c + 1]) << "node " << n;
      ASSERT_EQ(NodeParent[c], n);
      ASSERT_EQ(NodeParent[c + 1], n);
    }
  }
  for (int s = 0; s < SymbolCount; ++s)
    ASSERT_NE(leafOf[s], -1) << "symbol " << s;
  ASSERT_EQ(NodeWeight[NodeCount], 0xFFFF);
  ASSERT_EQ(NodeParent[RootNode], 0);
}

TEST(Model, InitialTreeGivesTheKnownCodes) {
  ResetModel();
  ExpectSoundTree();
  EXPECT_EQ(NodeWeight[RootNode], SymbolCount);
  EXPECT_EQ(CodeOf(0x61), "111101101");
  EXPECT_EQ(CodeOf(0x78), "00000100");
  EXPECT_EQ(CodeOf(256), "10001100");
  for (int s = 0; s < SymbolCount; ++s)
    EXPECT_EQ(CodeOf(s).size(), s < 116 ? 9u : 8u) << "symbol " << s;
}

TEST(Model, AdaptationKeepsTheTreeSoundAndShortensFrequentCodes) {
  ResetModel();
  uint32_t x = 1;
  for (int i = 0; i < 5000; ++i) {
    x = x * 1103515245u + 12345u;
    // Skewed towards a few symbols, as real data is.
    const int s = (x >> 16) % 4 == 0 ? static_cast<int>((x >> 8) % SymbolCount) : 'e';
    AdaptModel(s);
  }
  ExpectSoundTree();
  EXPECT_EQ(NodeWeight[RootNode], SymbolCount + 5000);
  EXPECT_LE(CodeOf('e').size(), 2u);
}

TEST(Model, RootAtWeightLimitRebuildsBeforeCounting) {
  ResetModel();
  uint32_t x = 7;
  // The root starts at 314 and gains one per symbol: 32454 symbols take it to the limit.
  for (int i = 0; i < 32454; ++i) {
    x = x * 1103515245u + 12345u;
    AdaptModel(static_cast<int>((x >> 16) % 40) + ((x >> 30) ? 0 : 200));
  }
  ASSERT_EQ(NodeWeight[RootNode], WeightLimit);
  std::vector<unsigned> before(SymbolCount);
  for (int n = 0; n < NodeCount; ++n)
    if (NodeChild[n] >= NodeCount) before[NodeChild[n] - NodeCount] = NodeWeight[n];

  const int next = 300;
  AdaptModel(next);
  ExpectSoundTree();
  unsigned sum = 0;
  for (int s = 0; s < SymbolCount; ++s) {
    const unsigned w = NodeWeight[NodeParent[NodeCount + s]];
    EXPECT_EQ(w, (before[s] + 1) / 2 + (s == next ? 1 : 0)) << "symbol " << s;
    sum += w;
  }
  EXPECT_EQ(NodeWeight[RootNode], sum);
  EXPECT_LT(sum, WeightLimit / 2 + SymbolCount);
}

// The node the first seven bits of `prefix` lead to and how many of them lead there.
unsigned WalkSevenBits(unsigned prefix) {
  unsigned node = RootNode;
  unsigned depth = 0;
  while (depth < LookupBits && NodeChild[node] < NodeCount)
    node = NodeChild[node] + (prefix >> (LookupBits - 1 - depth++) & 1);
  return node | depth << LookupLengthShift;
}

// The decoder's update, with its lookup table kept current, against the plain one,
// after every symbol of sequences whose favourite symbols change, through rebuilds.
TEST(Model, DecoderUpdateMatchesThePlainTreeAfterEverySymbol) {
  ReferenceTree plain;
  plain.Reset();
  ResetModel();
  BuildCodeLookup();
  uint64_t x = 5;
  for (int i = 0; i < 120000; ++i) {
    x = x * 6364136223846793005u + 1442695040888963407u;
    const unsigned favourites = 1 + (i / 9000) % 5 * 20;
    const int s = static_cast<int>((x >> 40) % 8 == 0
                                       ? (x >> 20) % SymbolCount
                                       : (i / 9000 * 37 + (x >> 20) % favourites) % SymbolCount);
    if (NodeWeight[RootNode] == WeightLimit) {
      RebuildModel();
      BuildCodeLookup();
    }
    CountFrom(NodeParent[NodeCount + s], [](unsigned n, unsigned m) { KeepCodeLookup(n, m); });
    plain.Adapt(s);
    ASSERT_EQ(std::memcmp(NodeWeight, plain.Weight, sizeof plain.Weight), 0) << "symbol " << i;
    ASSERT_EQ(std::memcmp(NodeChild, plain.Child, sizeof plain.Child), 0) << "symbol " << i;
    ASSERT_EQ(std::memcmp(NodeParent, plain.Parent, sizeof plain.Parent), 0) << "symbol " << i;
    for (unsigned prefix = 0; prefix < 1u << LookupBits; ++prefix)
      ASSERT_EQ(CodeLookup[prefix], WalkSevenBits(prefix)) << "symbol " << i << " bits " << prefix;
  }
}

TEST(OffsetCode, TablesRunAsThePrefixCodeDemands) {
  const int runs[][3] = {{0, 1, 32}, {1, 3, 16}, {4, 8, 8}, {12, 12, 4}, {24, 24, 2}, {48, 16, 1}};
  const int lengths[] = {3, 4, 5, 6, 7, 8};
  int index = 0;
  for (int r = 0; r < 6; ++r)
    for (int value = runs[r][0]; value < runs[r][0] + runs[r][1]; ++value)
      for (int k = 0; k < runs[r][2]; ++k, ++index) {
        ASSERT_EQ(OffsetHighCode[index], value) << index;
        ASSERT_EQ(OffsetCodeLength[index], lengths[r]) << index;
      }
  EXPECT_EQ(index, 256);
  // The encoding side must invert the decoding tables.
  for (int value = 0; value < 64; ++value) {
    const int b = OffsetCode.Code[value] << (8 - OffsetCode.Length[value]);
    EXPECT_EQ(OffsetHighCode[b], value);
    EXPECT_EQ(OffsetCodeLength[b], OffsetCode.Length[value]);
  }
}

} // namespace
