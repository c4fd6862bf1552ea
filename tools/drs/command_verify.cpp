#include <cstdio>

#include "archive_view.h"
#include "commands.h"
#include "entry_path.h"
#include "setup_plan.h"

namespace {

const char* const FamilyNames[] = {"Windows 95 family", "Windows NT family"};

// The warning about where an entry lands, and what is worth a word about how it lands:
// archives made by other packers hold names that install, but not quite as written.
std::string Notes(const ArchiveEntry& entry) {
  std::string notes = PlaceOf(entry.Dir) == EntryPlace::WorkDir
                          ? ""
                          : "  (warning: outside the work directory, it stays after the clean-up)";
  const unsigned bits = NotesOn(entry);
  for (const EntryNote note : {NoteDriveRoot, NoteNameChanges, NoteDelByte}) {
    if (!(bits & note)) continue;
    notes += std::string("  (note: ") + NoteText(note);
    notes += note == NoteNameChanges ? ", so it lands as " + LandingPath(entry) + ")" : ")";
  }
  return notes;
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
    std::printf("  makes        %s%s\n", path.c_str(), Notes(entry).c_str());
    break;
  case EntryAction::Write:
    if (planned.Damage == DecodeDone)
      std::printf("  writes       %s%s\n", path.c_str(), Notes(entry).c_str());
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
int VerifyCommand(const Arguments& arguments) {
  if (arguments.size() != 1) return UsageError();
  ArchiveView archive(arguments[0]);
  const std::vector<int> damage = DecodeStatuses(archive);
  std::printf("%s: %d entries\n", arguments[0].c_str(), archive.Count());
  bool installs = true;
  for (const bool ntFamily : {false, true})
    installs = ReportFamily(archive, ntFamily, damage) && installs;
  if (!installs) {
    std::fprintf(stderr, "drs: %s: SETUP.EXE does not install it whole on both families\n",
                 arguments[0].c_str());
    return 1;
  }
  std::printf("%s: SETUP.EXE installs it whole on both families\n", arguments[0].c_str());
  return 0;
}
