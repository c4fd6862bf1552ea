#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "archive_view.h"
#include "commands.h"
#include "entry_path.h"
#include "lzhuf/lzhuf.h"
#include "staging/dos_time.h"

namespace fs = std::filesystem;

namespace {

std::FILE* OpenForWriting(const fs::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"wb");
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

// The DOS fields are taken as UTC, as the bootstrap does; a value outside the calendar
// leaves the time the file system gave the file.
void StampModificationTime(const fs::path& path, const ArchiveEntry& entry) {
  int64_t unixTime;
  if (!DosDateTimeToUnixTime(JoinDosDateTime(entry.DosTime, entry.DosDate), &unixTime)) return;
  const std::chrono::sys_seconds instant{std::chrono::seconds(unixTime)};
  std::error_code ignored;
  fs::last_write_time(path, std::chrono::file_clock::from_sys(instant), ignored);
}

bool Report(int index, const ArchiveEntry& entry, const std::string& why) {
  std::fprintf(stderr, "drs: %s: %s\n", DescribeEntry(index, entry).c_str(), why.c_str());
  return false;
}

bool UnpackEntry(const ArchiveView& archive, int index, const fs::path& target, int codePage) {
  const ArchiveEntry& entry = archive.Entry(index);
  const auto place = MapEntryPath(entry, codePage);
  if (!place)
    return Report(index, entry,
                  "refused: its path would leave the target folder or is no file name here");
  std::error_code error;
  fs::create_directories(target / place->Folder, error);
  if (error) return Report(index, entry, "cannot make its folder: " + error.message());
  if (place->File.empty()) return true;

  const fs::path path = target / place->File;
  std::FILE* output = OpenForWriting(path);
  if (!output) return Report(index, entry, std::string("cannot write it: ") + std::strerror(errno));
  std::string failure;
  try {
    if (!archive.SeekToData(index)) throw DamagedArchive("its data lies beyond 2 GiB");
    DecodeEntry(archive.Stream(), output);
  } catch (const DamagedArchive& damage) {
    failure = std::string("damaged: ") + damage.what();
  }
  if (std::fclose(output) != 0 && failure.empty())
    failure = std::string("cannot write it: ") + std::strerror(errno);
  if (!failure.empty()) {
    // A half-decoded file would pass for the real one.
    fs::remove(path, error);
    return Report(index, entry, failure);
  }
  StampModificationTime(path, entry);
  return true;
}

} // namespace

// Unpacks every entry in directory order, as a Windows 95 family machine would; a
// refused or damaged entry is reported and skipped, and makes the exit code 1.
int UnpackCommand(const Arguments& arguments) {
  int codePage = 0;
  std::vector<std::string> positional;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--codepage") {
      if (!ParseCodePage(arguments, i, &codePage)) return UsageError();
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
  bool sound = true;
  for (int i = 0; i < archive.Count(); ++i)
    sound = UnpackEntry(archive, i, target, codePage) && sound;
  return sound ? 0 : 1;
}
