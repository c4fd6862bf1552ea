// ExtractArchive on hand-made archives: where each entry goes, its time, the entries
// it passes over, and every message it can raise, each from a real fault where one can
// be had (a missing or cut archive, a disk that fills).
#include "check.h"
#include "extract.h"
#include "format/archive.h"
#include "iat_hook.h"
#include "test_support.h"

#include <windows.h>

#include <direct.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Root() {
  return ScratchDrive() + "\\";
}

std::string WorkDir;

// The medium in MEDIA on the scratch drive; the work directory WORK on `drive`.
void PrepareMedium(const std::string& archive, const std::string& drive) {
  FreshDirectory(Root() + "MEDIA");
  WriteWholeFile(Root() + "MEDIA\\N_SETUP.DRS", archive);
  WorkDir = drive + "\\WORK";
  FreshDirectory(WorkDir);
  _chdir(WorkDir.c_str());
  RecordedBoxes().clear();
}

// ExtractArchive started from MEDIA: 1 for a whole extraction, 0 for any failure.
int Extract() {
  const std::string media = Root() + "MEDIA\\SETUP.EXE";
  ArgumentZeroOverride started(media.c_str());
  return ExtractArchive("N_SETUP.DRS") ? 1 : 0;
}

bool HasContent(const std::string& path, const std::string& expected) {
  std::string bytes;
  return ReadWholeFile(path, &bytes) && bytes == expected;
}

void CheckBoxes(const std::vector<std::pair<const char*, const char*>>& expected) {
  CHECK_EQ(expected.size(), RecordedBoxes().size());
  for (size_t i = 0; i < expected.size() && i < RecordedBoxes().size(); ++i) {
    CHECK_STR(expected[i].first, RecordedBoxes()[i].Text.c_str());
    CHECK_STR(expected[i].second, RecordedBoxes()[i].Caption.c_str());
    CHECK(RecordedBoxes()[i].Owner == nullptr);
    CHECK_EQ(MB_OK, RecordedBoxes()[i].Style);
  }
}

// After any way out the streams are closed and the table is given back.
void CheckReleased() {
  CHECK(ArchiveStream == nullptr);
  CHECK(OutputStream == nullptr);
  CHECK(EntryTable == nullptr);
}

std::vector<unsigned long long> CreationTimes;
void* OriginalSetFileTime;

BOOL WINAPI RecordCreationTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                               const FILETIME* write) {
  CHECK(creation && !access && !write);
  if (creation)
    CreationTimes.push_back(static_cast<unsigned long long>(creation->dwHighDateTime) << 32 |
                            creation->dwLowDateTime);
  return reinterpret_cast<BOOL(WINAPI*)(HANDLE, const FILETIME*, const FILETIME*, const FILETIME*)>(
      OriginalSetFileTime)(file, creation, access, write);
}

unsigned long long FileTimeOfUnix(long long seconds) {
  return static_cast<unsigned long long>(seconds + 11644473600LL) * 10000000ULL;
}

std::vector<std::string> ChdirCalls;
void* OriginalChdir;

BOOL WINAPI RecordChdir(const char* path) {
  ChdirCalls.push_back(path);
  return reinterpret_cast<BOOL(WINAPI*)(const char*)>(OriginalChdir)(path);
}

TEST_CASE(ExtractArchiveUnpacksEveryEntryWithItsDirectoryAndTime) {
  RemoveTree(Root() + "ROOTDIR");
  TestEntry late{"", "A.TXT", StreamAbc};
  late.DosTime = 0xBF7D; // 23:59:58
  late.DosDate = 0xFF9F; // 2107-12-31
  TestEntry undated{"", "Z.TXT", StreamAbc};
  undated.DosDate = 0;
  PrepareMedium(ArchiveImage({late,
                              {"SUB", "X.TXT", StreamElevenX},
                              {"SUB\\DEEP", "S.TXT", StreamFiveSpaces},
                              {"SUB", "E.TXT", StreamEmpty},
                              {"\\ROOTDIR\\IN", "R.TXT", StreamAbc},
                              undated}),
                ScratchDrive());
  CreationTimes.clear();
  OriginalSetFileTime =
      HookImport("kernel32.dll", "SetFileTime", reinterpret_cast<void*>(RecordCreationTime));
  CHECK_EQ(1, Extract());
  HookImport("kernel32.dll", "SetFileTime", OriginalSetFileTime);

  CHECK(HasContent(WorkDir + "\\A.TXT", "abc"));
  CHECK(HasContent(WorkDir + "\\SUB\\X.TXT", std::string(11, 'x')));
  CHECK(HasContent(WorkDir + "\\SUB\\DEEP\\S.TXT", "     "));
  CHECK(HasContent(WorkDir + "\\SUB\\E.TXT", ""));
  CHECK(HasContent(Root() + "ROOTDIR\\IN\\R.TXT", "abc"));
  CHECK(HasContent(WorkDir + "\\Z.TXT", "abc"));
  // A Dir without a leading backslash is made under the work directory only.
  CHECK(!DirectoryExists(Root() + "SUB"));
  CHECK(!FileExists(WorkDir + "\\N_SETUP.DRS"));
  CHECK_STR(WorkDir.c_str(), CurrentDirectory());
  const unsigned long long stamp = FileTimeOfUnix(999357510);
  const std::vector<unsigned long long> expected = {FileTimeOfUnix(4354819198LL), stamp, stamp,
                                                    stamp, stamp};
  CHECK(CreationTimes == expected);
  CHECK(RecordedBoxes().empty());
  CheckReleased();
}

TEST_CASE(ExtractArchiveEntersAnExistingDirectoryWithoutBuildingIt) {
  PrepareMedium(ArchiveImage({{"SUB", "X.TXT", StreamElevenX}}), ScratchDrive());
  CreateDirectoryA((WorkDir + "\\SUB").c_str(), nullptr);
  ChdirCalls.clear();
  OriginalChdir =
      HookImport("kernel32.dll", "SetCurrentDirectoryA", reinterpret_cast<void*>(RecordChdir));
  CHECK(OriginalChdir != nullptr);
  CHECK_EQ(1, Extract());
  HookImport("kernel32.dll", "SetCurrentDirectoryA", OriginalChdir);
  const std::vector<std::string> expected = {"SUB", WorkDir};
  CHECK(ChdirCalls == expected);
  for (const std::string& call : ChdirCalls)
    if (ChdirCalls != expected) std::printf("  SetCurrentDirectoryA(\"%s\")\n", call.c_str());
  CHECK(HasContent(WorkDir + "\\SUB\\X.TXT", std::string(11, 'x')));
}

TEST_CASE(ExtractArchivePassesOverEntriesItCannotWrite) {
  PrepareMedium(ArchiveImage({{"ONLYDIR", "", StreamAbc},
                              {"", "", StreamAbc},
                              {"", "ADIR", StreamAbc},
                              {"", "TWICE.TXT", StreamAbc},
                              {"", "TWICE.TXT", StreamElevenX},
                              {"", "OLD.TXT", StreamFiveSpaces}}),
                ScratchDrive());
  CreateDirectoryA((WorkDir + "\\ADIR").c_str(), nullptr);
  WriteWholeFile(WorkDir + "\\OLD.TXT", "an older and longer file");
  CHECK_EQ(1, Extract());
  CHECK(DirectoryExists(WorkDir + "\\ONLYDIR"));
  CHECK(DirectoryExists(WorkDir + "\\ADIR"));
  CHECK(HasContent(WorkDir + "\\TWICE.TXT", std::string(11, 'x')));
  CHECK(HasContent(WorkDir + "\\OLD.TXT", "     "));
  CHECK(RecordedBoxes().empty());
  CheckReleased();

  // Not the setup program: what lay there in its place would be started.
  PrepareMedium(ArchiveImage({{"", "n_setup.exe", StreamAbc}}), ScratchDrive());
  CreateDirectoryA((WorkDir + "\\N_SETUP.EXE").c_str(), nullptr);
  CHECK_EQ(0, Extract());
  CheckBoxes({{"File error !!", "Fatal Error"}});
  CheckReleased();
}

TEST_CASE(ExtractArchiveWithAnEmptyDirectory) {
  for (const char* count : {"\x00\x00", "\x00\x80", "\xFF\xFF"}) {
    std::string archive = ArchiveImage({});
    archive.replace(56, 2, count, 2);
    CHECK_EQ(62, archive.size());
    PrepareMedium(archive, ScratchDrive());
    CHECK_EQ(1, Extract());
    CHECK(!FileExists(WorkDir + "\\N_SETUP.DRS"));
    CHECK(RecordedBoxes().empty());
    CheckReleased();
  }
}

// No file may go missing from an installation unnoticed: a Dir and Name that do not fit
// the output path together mean a damaged archive.
TEST_CASE(ExtractArchiveRefusesAJoinedPathTooLongForItsBuffer) {
  const std::string dir(100, 'd');
  PrepareMedium(ArchiveImage({{dir, std::string(154, 'n'), StreamAbc}}), ScratchDrive());
  CHECK_EQ(1, Extract()); // 255 characters fit
  CHECK(RecordedBoxes().empty());

  const std::string otherDir(100, 'e');
  PrepareMedium(
      ArchiveImage({{"", "FIRST.TXT", StreamAbc}, {otherDir, std::string(155, 'n'), StreamAbc}}),
      ScratchDrive());
  CHECK_EQ(0, Extract());
  CheckBoxes({{"File error !!", "Fatal Error"}});
  CHECK(HasContent(WorkDir + "\\FIRST.TXT", "abc"));
  CHECK(!DirectoryExists(WorkDir + "\\" + otherDir));
  CHECK(FileExists(WorkDir + "\\N_SETUP.DRS"));
  CheckReleased();
}

// --- the messages ---------------------------------------------------------------------

void* __cdecl NoMemory(size_t, size_t) {
  return nullptr;
}

TEST_CASE(ExtractArchiveReportsMissingMemoryBeforeCopying) {
  PrepareMedium(ArchiveImage({{"", "A.TXT", StreamAbc}}), ScratchDrive());
  int result;
  {
    ScopedImportHook hook("msvcrt.dll", "calloc", reinterpret_cast<void*>(NoMemory));
    CHECK(hook.installed());
    result = Extract();
  }
  CHECK_EQ(0, result);
  CheckBoxes({{"Memory error", "Decompress"}});
  CHECK(!FileExists(WorkDir + "\\N_SETUP.DRS"));
  CheckReleased();
}

TEST_CASE(ExtractArchiveReportsAMissingArchiveByName) {
  PrepareMedium("", ScratchDrive());
  DeleteFileA((Root() + "MEDIA\\N_SETUP.DRS").c_str());
  CHECK_EQ(0, Extract());
  CheckBoxes({{"N_SETUP.DRS", "Copy error"}});
  CHECK(!FileExists(WorkDir + "\\A.TXT"));
  CheckReleased();
}

void* OriginalCreateFile;

HANDLE CreateFileThrough(const char* path, DWORD access, DWORD sharing,
                         SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                         HANDLE model) {
  return reinterpret_cast<HANDLE(WINAPI*)(const char*, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD,
                                          DWORD, HANDLE)>(OriginalCreateFile)(
      path, access, sharing, security, disposition, flags, model);
}

HANDLE WINAPI RefuseReading(const char* path, DWORD access, DWORD sharing,
                            SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                            HANDLE model) {
  if (disposition == OPEN_EXISTING) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileThrough(path, access, sharing, security, disposition, flags, model);
}

TEST_CASE(ExtractArchiveReportsACopyItCannotOpen) {
  PrepareMedium(ArchiveImage({{"", "A.TXT", StreamAbc}}), ScratchDrive());
  OriginalCreateFile =
      HookImport("kernel32.dll", "CreateFileA", reinterpret_cast<void*>(RefuseReading));
  CHECK(OriginalCreateFile != nullptr);
  const int result = Extract();
  HookImport("kernel32.dll", "CreateFileA", OriginalCreateFile);
  CHECK_EQ(0, result);
  CheckBoxes({{"File not found !!", "Fatal Error"}});
  CHECK(FileExists(WorkDir + "\\N_SETUP.DRS"));
  CHECK(!FileExists(WorkDir + "\\A.TXT"));
  CheckReleased();
}

TEST_CASE(ExtractArchiveReportsACutArchiveAndKeepsWhatWasWritten) {
  // Cut inside the second entry's bit stream, then inside its size field, then inside
  // the directory.
  const std::string whole =
      ArchiveImage({{"", "A.TXT", StreamAbc}, {"SUB", "B.TXT", StreamElevenX}});
  for (size_t kept : {whole.size() - 3, whole.size() - 6, size_t{58 + 10}}) {
    PrepareMedium(whole.substr(0, kept), ScratchDrive());
    CHECK_EQ(0, Extract());
    CheckBoxes({{"File error !!", "Fatal Error"}});
    CHECK(FileExists(WorkDir + "\\N_SETUP.DRS"));
    CheckReleased();
    CHECK_STR(WorkDir.c_str(), CurrentDirectory());
  }
  // The first entry was written whole before the second failed.
  PrepareMedium(whole.substr(0, whole.size() - 3), ScratchDrive());
  Extract();
  CHECK(HasContent(WorkDir + "\\A.TXT", "abc"));
  CHECK(FileExists(WorkDir + "\\SUB\\B.TXT"));
}

std::string PatternBytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i * 13 + i / 509);
  return bytes;
}

// The small drive holds 512 KiB.
TEST_CASE(ExtractArchiveReportsAFullDiskWhileCopying) {
  PrepareMedium(PatternBytes(700 * 1024), SmallDrive());
  CHECK_EQ(0, Extract());
  CheckBoxes(
      {{"Disk write error !!. Check disk space", "Write error"}, {"N_SETUP.DRS", "Copy error"}});
  CHECK(FileExists(WorkDir + "\\N_SETUP.DRS")); // the partial copy stays
  CheckReleased();
}

void FillDisk(const std::string& path) {
  std::FILE* filler = std::fopen(path.c_str(), "wb");
  if (!filler) return;
  std::setvbuf(filler, nullptr, _IONBF, 0);
  const std::string block(4096, 'f');
  while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
  }
  for (int i = 0; i < 4096 && std::fputc('f', filler) != EOF; ++i) {
  }
  std::fclose(filler);
}

// The disk fills up right after the archive copy, before the first output file opens.
HANDLE WINAPI FillThenOpen(const char* path, DWORD access, DWORD sharing,
                           SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                           HANDLE model) {
  if (disposition == CREATE_ALWAYS) FillDisk(SmallDrive() + "\\FILLER.BIN");
  return CreateFileThrough(path, access, sharing, security, disposition, flags, model);
}

// An entry smaller than the stream's buffer reaches the disk only when it is flushed:
// a failure there is a failed write like any other, not a short file passed as whole.
TEST_CASE(ExtractArchiveReportsAFullDiskAtTheLastFlush) {
  PrepareMedium(ArchiveImage({{"", "A.TXT", StreamElevenX}}), SmallDrive());
  DeleteFileA((SmallDrive() + "\\FILLER.BIN").c_str());
  OriginalCreateFile =
      HookImport("kernel32.dll", "CreateFileA", reinterpret_cast<void*>(FillThenOpen));
  const int result = Extract();
  HookImport("kernel32.dll", "CreateFileA", OriginalCreateFile);
  CHECK_EQ(0, result);
  CheckBoxes({{"Can't write !! Disk error !!", "Fatal Error"}});
  CHECK(FileExists(WorkDir + "\\A.TXT"));
  CHECK(FileExists(WorkDir + "\\N_SETUP.DRS"));
  CheckReleased();
  DeleteFileA((SmallDrive() + "\\FILLER.BIN").c_str());
}

} // namespace

namespace {

// A current directory longer than the 253 characters kept for the way back: nothing is
// copied or unpacked, since every directory check would lose the way, and the box says
// the archive was not copied.
TEST_CASE(ExtractArchiveRefusesACurrentDirectoryItCouldNotComeBackTo) {
  PrepareMedium(ArchiveImage({{"SUB", "A.TXT", StreamAbc}}), ScratchDrive());
  // 255 characters: too long to keep, short enough to enter.
  const std::string outer = WorkDir + "\\" + std::string(120, 'k');
  const std::string deep = outer + "\\" + std::string(255 - outer.size() - 1, 'l');
  CHECK_EQ(255, deep.size());
  CreateDirectoryA(outer.c_str(), nullptr);
  CreateDirectoryA(deep.c_str(), nullptr);
  CHECK(SetCurrentDirectoryA(deep.c_str()));
  CHECK_EQ(0, Extract());
  CheckBoxes({{"N_SETUP.DRS", "Copy error"}});
  CHECK(!FileExists(deep + "\\N_SETUP.DRS"));
  CHECK(!DirectoryExists(deep + "\\SUB"));
  CheckReleased();
  _chdir(Root().c_str());
  RemoveTree(WorkDir);
}

} // namespace
