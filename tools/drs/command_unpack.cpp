#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "archive_view.h"
#include "commands.h"
#include "entry_path.h"
#include "format/dos_time.h"
#include "format/rules.h"
#include "lzhuf/lzhuf.h"

namespace fs = std::filesystem;

namespace {

std::FILE* OpenForWriting(const fs::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"wb");
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

// The DOS fields are taken as UTC, as SETUP.EXE does; a value outside the calendar
// leaves the time the file system gave the file.
void StampModificationTime(const fs::path& path, const ArchiveEntry& entry) {
  int64_t unixTime;
  if (!DosDateTimeToUnixTime(JoinDosDateTime(entry.DosTime, entry.DosDate), &unixTime)) return;
  const std::chrono::sys_seconds instant{std::chrono::seconds(unixTime)};
  std::error_code ignored;
  fs::last_write_time(path, std::chrono::file_clock::from_sys(instant), ignored);
}

void Report(int index, const ArchiveEntry& entry, const std::string& why) {
  std::fprintf(stderr, "drs: %s: %s\n", DescribeEntry(index, entry).c_str(), why.c_str());
}

struct Unpacker {
  const ArchiveView& Archive;
  fs::path Target;
  int CodePage;
  std::FILE* Sink; // takes what SETUP.EXE would write but cannot be placed here
  bool Whole = true;

  // The entry's folders, and its file's path; nothing when it has no place here.
  std::optional<UnpackPath> Place(int index) {
    const ArchiveEntry& entry = Archive.Entry(index);
    auto place = MapEntryPath(entry, CodePage);
    std::error_code error;
    if (!place)
      Report(index, entry, "its name has no form in this code page on this system");
    else if (fs::create_directories(Target / place->Folder, error), error)
      Report(index, entry, "cannot make its folder: " + error.message());
    else
      return place;
    Whole = false;
    return std::nullopt;
  }

  // Decodes the entry as SETUP.EXE does, into its file when it has one here and into
  // the sink otherwise, so that the ring carries the same bytes into the next entry.
  // False when SETUP.EXE stops at it.
  bool Write(int index) {
    const ArchiveEntry& entry = Archive.Entry(index);
    const auto place = Place(index);
    const fs::path path = place ? Target / place->File : fs::path();
    std::FILE* output = place ? OpenForWriting(path) : Sink;
    if (!output) {
      Report(index, entry, std::string("cannot write it: ") + std::strerror(errno));
      Whole = false;
      output = Sink;
    }
    Archive.SeekToData(index);
    int status = DecodeEntry(Archive.Stream(), output);
    if (output != Sink && std::fclose(output) != 0 && status == DecodeDone)
      status = DecodeWriteFailed;
    if (status != DecodeDone) {
      // A half-decoded file would pass for the real one.
      std::error_code ignored;
      if (output != Sink) fs::remove(path, ignored);
      Report(index, entry,
             "damaged, SETUP.EXE stops here with \"" + std::string(DecodeFailureText(status)) +
                 "\": " + DecodeFailure(status));
      return false;
    }
    if (output != Sink) StampModificationTime(path, entry);
    return true;
  }

  // Follows SETUP.EXE's run on one family: the same entries, in the same order.
  bool Run(bool ntFamily) {
    for (int i = 0; i < Archive.Count(); ++i) {
      const ArchiveEntry& entry = Archive.Entry(i);
      const EntryDecision decision = DecideEntry(entry, ntFamily, DataBase, nullptr);
      switch (decision.Action) {
      case EntryAction::PassOver:
        if (decision.Reason == EntryReason::NtSkipsDlFiles) break;
        Report(i, entry, std::string("SETUP.EXE passes over it: ") + ReasonText(decision.Reason));
        Whole = false;
        break;
      case EntryAction::MakeFolder:
        Place(i);
        break;
      case EntryAction::Write:
        if (!Write(i)) return false;
        break;
      case EntryAction::Stop:
        Report(i, entry,
               std::string("SETUP.EXE stops here with \"") + FileErrorText +
                   "\": " + ReasonText(decision.Reason));
        return false;
      }
    }
    return Whole;
  }
};

} // namespace

// Unpacks what SETUP.EXE writes, in its order, on the Windows 95 family (the NT family
// with --nt), and stops where it stops; what it passes over, what cannot be placed
// here and where it stops are reported, and make the exit code 1.
int UnpackCommand(const Arguments& arguments) {
  int codePage = 0;
  bool ntFamily = false;
  std::vector<std::string> positional;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--codepage") {
      if (!ParseCodePage(arguments, i, &codePage)) return UsageError();
    } else if (arguments[i] == "--nt") {
      ntFamily = true;
    } else {
      positional.push_back(arguments[i]);
    }
  }
  if (positional.size() != 2) return UsageError();
  ArchiveView archive(positional[0]);
  const fs::path target(positional[1]);
  std::error_code error;
  fs::create_directories(target, error);
  if (error) throw DamagedArchive(positional[1] + ": " + error.message());
  std::FILE* sink = OpenNullSink();
  Unpacker unpacker{archive, target, codePage, sink};
  const bool whole = unpacker.Run(ntFamily);
  std::fclose(sink);
  return whole ? 0 : 1;
}
