#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "archive_view.h"
#include "command_line.h"
#include "entry_path.h"
#include "format/dos_time.h"
#include "format/rule_texts.h"
#include "lzhuf/lzhuf.h"
#include "open_file.h"

namespace fs = std::filesystem;

namespace {

// The DOS fields are taken as UTC, as SETUP.EXE does; a value outside the calendar
// leaves the time the file system gave the file.
void StampModificationTime(const fs::path& path, const ArchiveEntry& entry) {
  int64_t unixTime;
  if (!DosDateTimeToUnixTime(JoinDosDateTime(entry.DosTime, entry.DosDate), &unixTime)) return;
  const std::chrono::sys_seconds instant{std::chrono::seconds(unixTime)};
  std::error_code ignored;
  fs::last_write_time(path, std::chrono::file_clock::from_sys(instant), ignored);
}

void Report(int index, const ArchiveEntry& entry, int codePage, const std::string& why) {
  std::fprintf(stderr, "drs: %s: %s\n", ShownEntry(index, entry, codePage).c_str(), why.c_str());
}

bool IsPlainAscii(const ArchiveEntry& entry) {
  for (const char* text : {entry.Dir, entry.Name})
    for (; *text; ++text)
      if (static_cast<unsigned char>(*text) >= 0x80) return false;
  return true;
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
    if (!place && CodePage == 0 && !IsPlainAscii(entry))
      Report(index, entry, CodePage,
             "its name is not plain ASCII; name the archive's code page with --codepage");
    else if (!place)
      Report(index, entry, CodePage, "its name has no form in this code page on this system");
    else if (fs::create_directories(Target / place->Folder, error), error)
      Report(index, entry, CodePage, "cannot make its folder: " + error.message());
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
    std::FILE* output = place ? OpenFile(path, "wb") : Sink;
    if (!output) {
      Report(index, entry, CodePage, std::string("cannot write it: ") + std::strerror(errno));
      Whole = false;
      output = Sink;
    }
    Archive.SeekToData(index);
    int status = DecodeEntry(Archive.Stream(), output, ExpectedCrc(entry));
    if (output != Sink && std::fclose(output) != 0 && status == DecodeDone)
      status = DecodeWriteFailed;
    if (status != DecodeDone) {
      // A half-decoded file would pass for the real one.
      std::error_code ignored;
      if (output != Sink) fs::remove(path, ignored);
      Report(index, entry, CodePage,
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
        if (!MissesEntry(decision)) break;
        Report(i, entry, CodePage,
               std::string("SETUP.EXE passes over it: ") + ReasonText(decision.Reason));
        Whole = false;
        break;
      case EntryAction::MakeFolder:
        Place(i);
        break;
      case EntryAction::Write:
        if (!Write(i)) return false;
        break;
      case EntryAction::Stop:
        Report(i, entry, CodePage,
               std::string("SETUP.EXE stops here with \"") + FileErrorText +
                   "\": " + ReasonText(decision.Reason));
        return false;
      }
    }
    return Whole;
  }
};

struct UnpackOptions {
  std::string Archive;
  std::string Folder;
  int CodePage = 0;
  bool NtFamily = false;
};

// Unpacks what SETUP.EXE writes, in its order, on the Windows 95 family (the NT family
// with --nt), and stops where it stops; what it passes over, what cannot be placed
// here and where it stops are reported, and make the exit code 1.
int Unpack(const UnpackOptions& options) {
  ArchiveView archive(options.Archive);
  archive.RequirePlausible();
  if (archive.Count() == 0)
    std::fprintf(stderr, "drs: %s: the archive has no entries\n", options.Archive.c_str());
  const fs::path target(options.Folder);
  std::error_code error;
  if (fs::exists(target, error) && !fs::is_directory(target, error))
    throw DamagedArchive(options.Folder + ": is a file; DIR names the folder to unpack into");
  fs::create_directories(target, error);
  if (error) throw DamagedArchive(options.Folder + ": cannot make this folder: " + error.message());
  std::FILE* sink = OpenNullSink();
  Unpacker unpacker{archive, target, options.CodePage, sink};
  const bool whole = unpacker.Run(options.NtFamily);
  std::fclose(sink);
  return whole ? 0 : 1;
}

} // namespace

CommandWork DefineUnpackCommand(CLI::App& drs) {
  CLI::App* command = drs.add_subcommand(
      "unpack", "writes under DIR what SETUP.EXE writes, entry by entry in its order, and stops "
                "where it stops");
  auto options = std::make_shared<UnpackOptions>();
  command->add_flag("--nt", options->NtFamily,
                    "as the Windows NT family does (default: the Windows 95 family)");
  AddCodePageOption(*command, options->CodePage,
                    "names are converted from this Windows code page to UTF-8 (default: plain "
                    "ASCII only)");
  command->add_option("ARCHIVE", options->Archive)->required();
  command->add_option("DIR", options->Folder)->required();
  return [options] { return Unpack(*options); };
}
