// Whole extractions of archives that real encoders wrote: one made by `drs pack`, and
// one whose entry streams jlha's -lh1- coder wrote, both over the same corpus (text,
// a Windows DLL, runs, zeros, pseudo-random bytes, the sizes around the ring's edges);
// and a decoder write that fails on a full disk.
#include "check.h"
#include "extract.h"
#include "format/archive.h"
#include "format/archive_writer.h"
#include "format/dos_time.h"
#include "iat_hook.h"
#include "test_support.h"

#include <windows.h>

#include <direct.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Root() {
  return ScratchDrive() + "\\";
}

int ExtractFrom(const std::string& mediaDir) {
  const std::string media = mediaDir + "\\SETUP.EXE";
  ArgumentZeroOverride started(media.c_str());
  return ExtractArchive("N_SETUP.DRS") ? 1 : 0;
}

void CheckSameFiles(const std::string& expectedDir, const std::string& actualDir) {
  const std::vector<std::string> files = FilesUnder(expectedDir);
  CHECK(files.size() >= 12);
  for (const std::string& file : files) {
    std::string expected, actual;
    CHECK(ReadWholeFile(expectedDir + "\\" + file, &expected));
    const bool read = ReadWholeFile(actualDir + "\\" + file, &actual);
    if (!read || expected != actual) std::printf("  differs: %s\n", file.c_str());
    CHECK(read && expected == actual);
  }
}

std::vector<unsigned long long> CreationTimes;
void* OriginalSetFileTime;

BOOL WINAPI RecordCreationTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                               const FILETIME* write) {
  if (creation)
    CreationTimes.push_back(static_cast<unsigned long long>(creation->dwHighDateTime) << 32 |
                            creation->dwLowDateTime);
  return reinterpret_cast<BOOL(WINAPI*)(HANDLE, const FILETIME*, const FILETIME*, const FILETIME*)>(
      OriginalSetFileTime)(file, creation, access, write);
}

// Each entry's stored DOS time as the FILETIME that should reach SetFileTime.
std::vector<unsigned long long> StoredTimes(const std::string& archive) {
  std::vector<unsigned long long> times;
  FileStream file;
  unsigned char buffer[4096];
  if (!OpenStreamForReading(&file, archive.c_str(), buffer, sizeof buffer)) return times;
  EntryTable = static_cast<ArchiveEntry*>(std::calloc(MaxEntries, sizeof(ArchiveEntry)));
  ReadArchiveDirectory(&file);
  const int count = EntryCount;
  for (int i = 0; i < count; ++i) {
    int64_t unixTime;
    if (DosDateTimeToUnixTime(JoinDosDateTime(EntryTable[i].DosTime, EntryTable[i].DosDate),
                              &unixTime))
      times.push_back(static_cast<unsigned long long>(unixTime + 11644473600LL) * 10000000ULL);
  }
  ReleaseEntryTexts();
  std::free(EntryTable);
  EntryTable = nullptr;
  CloseStream(&file);
  return times;
}

TEST_CASE(ArchiveMadeByDrsPackUnpacksByteExactWithItsTimes) {
  const std::string media = Root() + "MEDIA";
  const std::vector<unsigned long long> stored = StoredTimes(media + "\\N_SETUP.DRS");
  CHECK(stored.size() >= 12);
  FreshDirectory(Root() + "WORK");
  _chdir((Root() + "WORK").c_str());
  RecordedBoxes().clear();
  CreationTimes.clear();
  OriginalSetFileTime =
      HookImport("kernel32.dll", "SetFileTime", reinterpret_cast<void*>(RecordCreationTime));
  CHECK_EQ(1, ExtractFrom(media));
  HookImport("kernel32.dll", "SetFileTime", OriginalSetFileTime);
  CHECK(RecordedBoxes().empty());
  CheckSameFiles(Root() + "CORPUS", Root() + "WORK");
  CHECK(CreationTimes == stored);
  CHECK(!FileExists(Root() + "WORK\\N_SETUP.DRS"));
}

TEST_CASE(ArchiveOfJlhaStreamsUnpacksByteExact) {
  const std::vector<std::string> files = FilesUnder(Root() + "STREAMS");
  CHECK(files.size() >= 10);
  std::vector<WriterEntry> entries;
  for (const std::string& file : files) {
    WriterEntry entry;
    entry.Dir = "JLHA";
    entry.Name = file.substr(0, file.size() - 4); // less ".LH1"
    entry.Source = EntrySource::EncodedStream;
    CHECK(ReadWholeFile(Root() + "STREAMS\\" + file, &entry.Data));
    entries.push_back(entry);
  }
  FreshDirectory(Root() + "MEDIA2");
  WriteWholeFile(Root() + "MEDIA2\\N_SETUP.DRS",
                 BuildArchive(entries, ArchiveLimits::Bootstrap, EntryChecksums::None));
  FreshDirectory(Root() + "WORK2");
  _chdir((Root() + "WORK2").c_str());
  RecordedBoxes().clear();
  CHECK_EQ(1, ExtractFrom(Root() + "MEDIA2"));
  CHECK(RecordedBoxes().empty());
  for (const std::string& file : files) {
    const std::string name = file.substr(0, file.size() - 4);
    std::string expected, actual;
    CHECK(ReadWholeFile(Root() + "CORPUS\\" + name, &expected));
    const bool read = ReadWholeFile(Root() + "WORK2\\JLHA\\" + name, &actual);
    if (!read || expected != actual) std::printf("  differs: %s\n", name.c_str());
    CHECK(read && expected == actual);
  }
}

// The small drive holds 512 KiB; two megabytes of zeros compress to far less, so the
// copy fits and the decoder's own writes run out of room.
TEST_CASE(DecoderWriteOnAFullDiskIsReported) {
  WriterEntry zeros;
  zeros.Name = "ZEROS.BIN";
  zeros.Data.assign(2 << 20, '\0');
  WriterEntry after;
  after.Name = "AFTER.TXT";
  after.Data = "never written";
  FreshDirectory(Root() + "MEDIA3");
  WriteWholeFile(Root() + "MEDIA3\\N_SETUP.DRS", BuildArchive({zeros, after}));
  const std::string work = SmallDrive() + "\\WORK";
  FreshDirectory(work);
  _chdir(work.c_str());
  RecordedBoxes().clear();
  CHECK_EQ(0, ExtractFrom(Root() + "MEDIA3"));
  CHECK_EQ(1, RecordedBoxes().size());
  if (!RecordedBoxes().empty()) {
    CHECK_STR("Can't write !! Disk error !!", RecordedBoxes()[0].Text.c_str());
    CHECK_STR("Fatal Error", RecordedBoxes()[0].Caption.c_str());
  }
  CHECK(ArchiveStream == nullptr && OutputStream == nullptr && EntryTable == nullptr);
  CHECK(FileExists(work + "\\ZEROS.BIN"));
  CHECK(!FileExists(work + "\\AFTER.TXT"));
  CHECK(FileExists(work + "\\N_SETUP.DRS"));
}

} // namespace
