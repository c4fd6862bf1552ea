#include <cstdio>

#include "archive_view.h"
#include "command_line.h"
#include "setup_plan.h"

namespace {

const char* const FamilyNames[] = {"Windows 95 family", "Windows NT family"};

const char* PlaceNote(const ArchiveEntry& entry) {
  return PlaceOf(entry.Dir) == EntryPlace::WorkDir
             ? ""
             : "  (warning: outside the work directory, it stays after the clean-up)";
}

void PrintEntry(const ArchiveView& archive, const PlannedEntry& planned) {
  const ArchiveEntry& entry = archive.Entry(planned.Index);
  const std::string path = EntryPath(entry);
  const std::string described = DescribeEntry(planned.Index, entry);
  const EntryDecision decision = planned.Decision;
  switch (decision.Action) {
  case EntryAction::PassOver:
    if (decision.Reason == EntryReason::NtSkipsDlFiles)
      std::printf("  leaves out   %s (%s)\n", path.c_str(), ReasonText(decision.Reason));
    else
      std::printf("  passes over  %s in silence: %s\n", described.c_str(),
                  ReasonText(decision.Reason));
    break;
  case EntryAction::MakeFolder:
    std::printf("  makes        %s%s\n", path.c_str(), PlaceNote(entry));
    break;
  case EntryAction::Write:
    if (planned.Damage == DecodeDone)
      std::printf("  writes       %s%s\n", path.c_str(), PlaceNote(entry));
    else
      std::printf("  stops:       %s is damaged (%s): box \"%s\"\n", described.c_str(),
                  DecodeFailure(planned.Damage).c_str(), DecodeFailureText(planned.Damage));
    break;
  case EntryAction::Stop:
    std::printf("  stops:       %s (%s): box \"%s\"\n", described.c_str(),
                ReasonText(decision.Reason), FileErrorText);
    break;
  }
}

// Prints what SETUP.EXE does on one family, entry by entry, and how its run ends.
bool ReportFamily(const ArchiveView& archive, bool ntFamily, const std::vector<int>& damage) {
  const SetupPlan plan = PlanSetupRun(archive, ntFamily, damage);
  std::printf("%s:\n", FamilyNames[ntFamily]);
  for (const PlannedEntry& planned : plan.Entries)
    PrintEntry(archive, planned);
  if (plan.StopBox)
    std::printf("  and then shows its failure box; %s is not started\n", SetupProgramName);
  else if (!plan.StartsSetupProgram)
    std::printf("  finds no %s at the top of the archive, so it shows its failure box\n",
                SetupProgramName);
  else
    std::printf("  starts %s\n", SetupProgramName);
  return plan.Whole();
}

} // namespace

// The media check: what SETUP.EXE does with the archive on the Windows 95 family and on
// the NT family; exit 0 only when both install it whole.
static int Verify(const std::string& path) {
  ArchiveView archive(path);
  const std::vector<int> damage = DecodeStatuses(archive);
  std::printf("%s: %d entries\n", path.c_str(), archive.Count());
  bool installs = true;
  for (const bool ntFamily : {false, true})
    installs = ReportFamily(archive, ntFamily, damage) && installs;
  if (!installs) {
    std::fprintf(stderr, "drs: %s: SETUP.EXE does not install it whole on both families\n",
                 path.c_str());
    return 1;
  }
  std::printf("%s: SETUP.EXE installs it whole on both families\n", path.c_str());
  return 0;
}

CommandWork DefineVerifyCommand(CLI::App& drs) {
  CLI::App* command = drs.add_subcommand(
      "verify", "the media check: what SETUP.EXE does with the archive on the Windows 95 family "
                "and on the NT family, entry by entry; exit 0 only when both install it whole "
                "and start N_SETUP.EXE");
  auto archive = std::make_shared<std::string>();
  command->add_option("ARCHIVE", *archive)->required();
  return [archive] { return Verify(*archive); };
}
