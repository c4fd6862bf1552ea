// The first seven bits of a code looked up at once instead of walked bit by bit: the
// decoder's table over the top of the model's tree, kept current as the tree changes.
// A larger table would cost more to keep current than it saves.
#pragma once

#include "model.h"

#include <cstdint>

inline constexpr unsigned LookupBits = 7;

// Indexed by the next seven bits: the node those bits lead to from the root, a leaf
// or a node of depth 7, in the low 10 bits, and how many bits lead there above them.
extern uint16_t CodeLookup[1u << LookupBits];
// For each node less than 7 deep: 1 << its depth | the bits that lead to it; 0 for
// the deeper ones. Nodes keep their depth when they trade contents, so this tells
// whether an exchange touches the table.
extern uint8_t TopCode[NodeCount];

inline constexpr unsigned LookupNodeMask = 0x3FF;
inline constexpr unsigned LookupLengthShift = 10;

// Fills the table for the tree as it stands: after ResetModel and RebuildModel.
void BuildCodeLookup();
// Brings the table up to date after nodes n and m traded contents, one of them less
// than seven deep.
void PatchCodeLookup(unsigned n, unsigned m);

// The hook for CountFrom: most exchanges happen below the table and cost one look.
inline void KeepCodeLookup(unsigned n, unsigned m) {
  if (TopCode[n] | TopCode[m]) PatchCodeLookup(n, m);
}
