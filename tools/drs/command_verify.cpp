#include "command_verify.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

#include "archive_view.h"
#include "code_page.h"
#include "command_line.h"
#include "entry_path.h"
#include "format/rule_texts.h"
#include "json_text.h"
#include "medium_files.h"
#include "setup_plan.h"
#include "setup_seal.h"

namespace {

const char* const FamilyNames[] = {"Windows 95 family", "Windows NT family"};

// What SETUP.EXE does with one entry of the plan.
enum class StepKind {
  Writes,
  Makes,
  LeavesOut,  // a pass-over by design: the NT family's .DL_ files
  PassesOver, // a pass-over that loses an entry
  Stops,
  StopsDamaged, // at an entry whose stream is damaged
};

// One entry of the plan: what happens, and for people why and how.
struct Step {
  StepKind Kind;
  std::string Why; // for what passes over or stops
  const char* Box = nullptr;
  bool Outside = false; // lands outside the work directory
  std::string Notes{};  // where and how a written entry or a folder lands, when worth a word
};

const char* ActionText(StepKind kind) {
  switch (kind) {
  case StepKind::Writes:
    return "writes";
  case StepKind::Makes:
    return "makes";
  case StepKind::LeavesOut:
    return "leaves out";
  case StepKind::PassesOver:
    return "passes over";
  case StepKind::Stops:
  case StepKind::StopsDamaged:
    break;
  }
  return "stops";
}

// The warning about where an entry lands, and what is worth a word about how it lands:
// archives made by other packers hold names that install, but not quite as written.
std::string Notes(const ArchiveEntry& entry, bool outside, int codePage) {
  std::string notes =
      outside ? "  (warning: outside the work directory, it stays after the clean-up)" : "";
  const unsigned bits = NotesOn(entry);
  for (const EntryNote note : {NoteDriveRoot, NoteNameChanges, NoteDelByte}) {
    if (!(bits & note)) continue;
    notes += std::string("  (note: ") + NoteText(note);
    notes += note == NoteNameChanges
                 ? ", so it lands as " + ReadableText(LandingPath(entry), codePage) + ")"
                 : ")";
  }
  return notes;
}

Step StepOf(const PlannedEntry& planned, const ArchiveEntry& entry, int codePage) {
  const EntryDecision decision = planned.Decision;
  const bool outside = PlaceOf(entry.Dir) != EntryPlace::WorkDir;
  switch (decision.Action) {
  case EntryAction::PassOver:
    return {MissesEntry(decision) ? StepKind::PassesOver : StepKind::LeavesOut,
            ReasonText(decision.Reason)};
  case EntryAction::MakeFolder:
    return {StepKind::Makes, "", nullptr, outside, Notes(entry, outside, codePage)};
  case EntryAction::Write:
    if (planned.Damage == DecodeDone)
      return {StepKind::Writes, "", nullptr, outside, Notes(entry, outside, codePage)};
    return {StepKind::StopsDamaged, DecodeFailure(planned.Damage),
            DecodeFailureText(planned.Damage)};
  case EntryAction::Stop:
    break;
  }
  return {StepKind::Stops, ReasonText(decision.Reason), FileErrorText};
}

void PrintStep(const Step& step, const std::string& path, const std::string& described) {
  const char* why = step.Why.c_str();
  switch (step.Kind) {
  case StepKind::LeavesOut:
    std::printf("  leaves out   %s (%s)\n", path.c_str(), why);
    break;
  case StepKind::PassesOver:
    std::printf("  passes over  %s in silence: %s\n", described.c_str(), why);
    break;
  case StepKind::StopsDamaged:
    std::printf("  stops:       %s is damaged (%s): box \"%s\"\n", described.c_str(), why,
                step.Box);
    break;
  case StepKind::Stops:
    std::printf("  stops:       %s (%s): box \"%s\"\n", described.c_str(), why, step.Box);
    break;
  case StepKind::Writes:
  case StepKind::Makes:
    std::printf("  %-12s %s%s\n", ActionText(step.Kind), path.c_str(), step.Notes.c_str());
    break;
  }
}

void PrintJsonStep(const Step& step, int index, const std::string& path, bool first) {
  std::printf("%s\n    {\"index\": %d, \"path\": %s, \"action\": %s", first ? "" : ",", index + 1,
              JsonString(path).c_str(), JsonString(ActionText(step.Kind)).c_str());
  const std::string why = (step.Kind == StepKind::StopsDamaged ? "damaged: " : "") + step.Why;
  if (!step.Why.empty()) std::printf(", \"reason\": %s", JsonString(why).c_str());
  if (step.Box) std::printf(", \"box\": %s", JsonString(step.Box).c_str());
  std::printf(", \"outsideWorkDir\": %s}", JsonBool(step.Outside));
}

// Prints what SETUP.EXE does on one family, entry by entry, and how its run ends.
bool ReportFamily(const ArchiveView& archive, const VerifyOptions& options, bool ntFamily,
                  const std::vector<int>& damage) {
  const SetupPlan plan = PlanSetupRun(archive, ntFamily, damage);
  const bool shown = !options.Quiet && !options.Json;
  if (options.Json)
    std::printf("%s\n  {\"family\": %s, \"steps\": [", ntFamily ? "," : "",
                JsonString(FamilyNames[ntFamily]).c_str());
  if (shown) std::printf("%s:\n", FamilyNames[ntFamily]);
  for (const PlannedEntry& planned : plan.Entries) {
    const ArchiveEntry& entry = archive.Entry(planned.Index);
    const Step step = StepOf(planned, entry, options.CodePage);
    const std::string path = ShownPath(entry, options.CodePage);
    if (options.Json) PrintJsonStep(step, planned.Index, path, &planned == &plan.Entries[0]);
    if (shown) PrintStep(step, path, ShownEntry(planned.Index, entry, options.CodePage));
  }
  if (options.Json)
    std::printf("],\n   \"box\": %s, \"startsSetupProgram\": %s, \"whole\": %s}",
                plan.StopBox ? JsonString(plan.StopBox).c_str() : "null",
                JsonBool(plan.StartsSetupProgram && !plan.StopBox), JsonBool(plan.Whole()));
  if (!shown) return plan.Whole();
  if (plan.StopBox)
    std::printf("  and then shows its failure box; %s is not started\n", SetupProgramName);
  else if (!plan.StartsSetupProgram)
    std::printf("  finds no %s at the top of the archive, so it shows its failure box\n",
                SetupProgramName);
  else
    std::printf("  starts %s\n", SetupProgramName);
  return plan.Whole();
}

// For a medium folder, its archive and, from its SETUP.EXE, the seal.
struct Medium {
  std::string Archive;
  std::optional<SealState> Seal;
};

// A folder is a medium when it holds N_SETUP.DRS beside a SETUP.EXE with the seal's
// slot; any other folder is refused as no archive.
Medium MediumOf(const std::string& given) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(given, error)) return {given, std::nullopt};
  fs::path archive, setup;
  for (const fs::directory_entry& file : fs::directory_iterator(given, error)) {
    if (IsNamed(file.path(), ArchiveName)) archive = file.path();
    if (IsNamed(file.path(), BootstrapFileName)) setup = file.path();
  }
  if (archive.empty() || setup.empty()) return {given, std::nullopt};
  try {
    const std::optional<SealState> seal = CheckSeal(setup, archive);
    return {seal ? archive.string() : given, seal};
  } catch (const std::runtime_error& failure) {
    throw DamagedArchive(failure.what());
  }
}

} // namespace

int Verify(const VerifyOptions& options) {
  const Medium medium = MediumOf(options.Archive);
  const std::string& path = medium.Archive;
  ArchiveView archive(path);
  archive.RequirePlausible();
  const std::vector<int> damage = DecodeStatuses(archive);
  const bool shown = !options.Quiet && !options.Json;
  const char* checksums = EntriesCarryChecksums ? "every entry carries the CRC-32 of its bytes"
                                                : "none (the archive does not carry them)";
  if (shown)
    std::printf("%s: %d entries\nchecksums: %s\n", path.c_str(), archive.Count(), checksums);
  if (shown && medium.Seal)
    std::printf("seal: %s%s\n", SealStateText(*medium.Seal),
                medium.Seal == SealState::ArchiveDiffers
                    ? ": SETUP.EXE shows \"Copy error\" and its failure box and unpacks nothing; "
                      "what follows is what it would do with the archive it was sealed for"
                    : "");
  if (options.Json) {
    std::printf("{\"archive\": %s, \"entries\": %d, \"checksums\": %s, ", JsonString(path).c_str(),
                archive.Count(), JsonBool(EntriesCarryChecksums));
    if (medium.Seal) std::printf("\"seal\": %s, ", JsonString(SealStateText(*medium.Seal)).c_str());
    std::printf("\"families\": [");
  }
  // A sealed SETUP.EXE refuses another archive before it unpacks anything.
  bool installs = medium.Seal != SealState::ArchiveDiffers;
  for (const bool ntFamily : {false, true})
    installs = ReportFamily(archive, options, ntFamily, damage) && installs;
  if (options.Json) std::printf("\n ],\n \"installs\": %s}\n", JsonBool(installs));
  if (!installs) {
    std::fprintf(
        stderr, "drs: %s: SETUP.EXE does not install it whole on both families%s\n", path.c_str(),
        medium.Seal == SealState::ArchiveDiffers ? " (it is sealed for another archive)" : "");
    return 1;
  }
  if (shown) std::printf("%s: SETUP.EXE installs it whole on both families\n", path.c_str());
  return 0;
}

CommandWork DefineVerifyCommand(CLI::App& drs) {
  CLI::App* command = drs.add_subcommand(
      "verify", "the media check: what SETUP.EXE does with the archive on the Windows 95 family "
                "and on the NT family, entry by entry; exit 0 only when both install it whole "
                "and start N_SETUP.EXE");
  auto options = std::make_shared<VerifyOptions>();
  AddCodePageOption(*command, options->CodePage,
                    "names are shown converted from this Windows code page to UTF-8 (default: "
                    "plain ASCII, other bytes as \\xNN)");
  command->add_flag("-q", options->Quiet, "no report on standard output, only the verdict");
  command->add_flag("--json", options->Json,
                    "for scripts: one JSON object, with the plan of each family, one object per "
                    "entry");
  command
      ->add_option("ARCHIVE", options->Archive,
                   "the archive, or a medium folder: its N_SETUP.DRS, and whether its "
                   "SETUP.EXE is sealed for it")
      ->required();
  return [options] { return Verify(*options); };
}
