#include "setup_plan.h"

#include <cstdio>

std::vector<int> DecodeStatuses(const ArchiveView& archive) {
  std::FILE* sink = OpenNullSink();
  std::vector<int> damage(archive.Count(), DecodeDone);
  for (int i = 0; i < archive.Count(); ++i) {
    bool written = false;
    for (const bool ntFamily : {false, true})
      written = written || DecideEntry(archive.Entry(i), ntFamily, DataBase, nullptr).Action ==
                               EntryAction::Write;
    if (written)
      damage[i] = archive.SeekToData(i)
                      ? DecodeEntry(archive.Stream(), sink, ExpectedCrc(archive.Entry(i)))
                      : DecodeNoSize;
  }
  std::fclose(sink);
  return damage;
}

SetupPlan PlanSetupRun(const ArchiveView& archive, bool ntFamily, const std::vector<int>& damage) {
  SetupPlan plan;
  for (int i = 0; i < archive.Count() && !plan.StopBox; ++i) {
    const ArchiveEntry& entry = archive.Entry(i);
    const EntryDecision decision = DecideEntry(entry, ntFamily, DataBase, nullptr);
    const bool written = decision.Action == EntryAction::Write;
    plan.Entries.push_back({i, decision, written ? damage[i] : DecodeDone});
    if (decision.Action == EntryAction::Stop) plan.StopBox = FileErrorText;
    if (written && damage[i] != DecodeDone) plan.StopBox = DecodeFailureText(damage[i]);
    if (MissesEntry(decision)) plan.PassesOver = true;
    if (written && !plan.StopBox && IsSetupProgram(entry)) plan.StartsSetupProgram = true;
  }
  if (plan.StopBox) plan.StartsSetupProgram = false;
  return plan;
}

SetupPlan PlanSetupRun(const std::string& path, bool ntFamily) {
  try {
    const ArchiveView archive(path);
    return PlanSetupRun(archive, ntFamily, DecodeStatuses(archive));
  } catch (const DamagedArchive& damage) {
    if (!damage.Box) throw;
    SetupPlan plan;
    plan.StopBox = damage.Box;
    return plan;
  }
}
