// What SETUP.EXE does with an archive on one family of Windows, foreseen from the
// archive alone by the rules it acts on: `drs verify` prints it, and the tests hold
// SETUP.EXE to it.
#pragma once

#include <string>
#include <vector>

#include "archive_view.h"
#include "format/rules.h"
#include "lzhuf/lzhuf.h"

struct PlannedEntry {
  int Index;
  EntryDecision Decision;
  int Damage; // DecodeEntry's status for an entry it writes; DecodeDone otherwise
};

struct SetupPlan {
  std::vector<PlannedEntry> Entries; // in directory order, up to the one it stops at
  const char* StopBox = nullptr;     // the text of its "Fatal Error" box, if it stops
  bool StartsSetupProgram = false;
  bool PassesOver = false; // over an entry it should write (the NT family's .DL_ aside)

  // Every entry it should write written, and the setup program started.
  bool Whole() const { return !StopBox && !PassesOver && StartsSetupProgram; }
};

// DecodeEntry's status for every entry that either family writes, each decoded once
// into nothing: whether a stream is damaged does not depend on what the ring carries,
// and the bytes of an archive that carries checksums never do (drs's encoder never
// copies from the ring's inherited tail).
std::vector<int> DecodeStatuses(const ArchiveView& archive);

SetupPlan PlanSetupRun(const ArchiveView& archive, bool ntFamily, const std::vector<int>& damage);

// The same from the archive's file; a directory SETUP.EXE refuses is a stop before
// the first entry. Throws DamagedArchive when the file cannot be opened.
SetupPlan PlanSetupRun(const std::string& path, bool ntFamily);
