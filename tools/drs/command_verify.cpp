#include <cstdio>
#include <vector>

#include "archive_view.h"
#include "commands.h"
#include "format/rules.h"
#include "lzhuf/lzhuf.h"

#ifdef _WIN32
static const char NullDevice[] = "NUL";
#else
static const char NullDevice[] = "/dev/null";
#endif

namespace {

const char* const FamilyNames[] = {"Windows 95 family", "Windows NT family"};

// Whether either family writes the entry, so that its stream is decoded.
bool AnyFamilyWrites(const ArchiveEntry& entry) {
  for (const bool ntFamily : {false, true})
    if (DecideEntry(entry, ntFamily, DataBase, nullptr).Action == EntryAction::Write) return true;
  return false;
}

const char* PlaceNote(const ArchiveEntry& entry) {
  return PlaceOf(entry.Dir) == EntryPlace::WorkDir
             ? ""
             : "  (warning: outside the work directory, it stays after the clean-up)";
}

// Prints what SETUP.EXE does on one family, entry by entry, and whether it then starts
// the setup program. `damage` holds each entry's decoding status.
bool ReportFamily(const ArchiveView& archive, bool ntFamily, const std::vector<int>& damage) {
  std::printf("%s:\n", FamilyNames[ntFamily]);
  bool whole = true;
  bool setupProgram = false;
  for (int i = 0; i < archive.Count(); ++i) {
    const ArchiveEntry& entry = archive.Entry(i);
    const EntryDecision decision = DecideEntry(entry, ntFamily, DataBase, nullptr);
    const std::string path = EntryPath(entry);
    switch (decision.Action) {
    case EntryAction::PassOver:
      if (decision.Reason == EntryReason::NtSkipsDlFiles) {
        std::printf("  leaves out   %s (%s)\n", path.c_str(), ReasonText(decision.Reason));
      } else {
        std::printf("  passes over  %s in silence: %s\n", DescribeEntry(i, entry).c_str(),
                    ReasonText(decision.Reason));
        whole = false;
      }
      continue;
    case EntryAction::MakeFolder:
      std::printf("  makes        %s%s\n", path.c_str(), PlaceNote(entry));
      continue;
    case EntryAction::Write:
      if (damage[i] == DecodeDone) {
        std::printf("  writes       %s%s\n", path.c_str(), PlaceNote(entry));
        setupProgram = setupProgram || IsSetupProgram(entry);
        continue;
      }
      std::printf("  stops:       %s is damaged (%s): box \"%s\"\n",
                  DescribeEntry(i, entry).c_str(), DecodeFailure(damage[i]).c_str(),
                  DecodeFailureText(damage[i]));
      break;
    case EntryAction::Stop:
      std::printf("  stops:       %s (%s): box \"%s\"\n", DescribeEntry(i, entry).c_str(),
                  ReasonText(decision.Reason), FileErrorText);
      break;
    }
    std::printf("  and then shows its failure box; %s is not started\n", SetupProgramName);
    return false;
  }
  if (!setupProgram) {
    std::printf("  finds no %s at the top of the archive, so it shows its failure box\n",
                SetupProgramName);
    return false;
  }
  std::printf("  starts %s\n", SetupProgramName);
  return whole;
}

} // namespace

// The media check: what SETUP.EXE does with the archive on the Windows 95 family and on
// the NT family. Every stream that either family decodes is decoded once, in directory
// order: whether it is damaged does not depend on what the ring carries over.
int VerifyCommand(const Arguments& arguments) {
  if (arguments.size() != 1) return UsageError();
  ArchiveView archive(arguments[0]);
  std::FILE* sink = std::fopen(NullDevice, "wb");
  if (!sink) throw DamagedArchive(std::string("cannot open ") + NullDevice);
  std::vector<int> damage(archive.Count(), DecodeDone);
  for (int i = 0; i < archive.Count(); ++i)
    if (AnyFamilyWrites(archive.Entry(i)))
      damage[i] = archive.SeekToData(i) ? DecodeEntry(archive.Stream(), sink) : DecodeNoSize;
  std::fclose(sink);

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
