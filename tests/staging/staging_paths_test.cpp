// The pieces of staging and extraction that need no encoder: the system's version, file
// times, directory paths, the archive copy, argument 0, the message pump, the staging
// root and the clean-up.
#include "archive_copy.h"
#include "check.h"
#include "directory_path.h"
#include "file_time.h"
#include "iat_hook.h"
#include "os_kind.h"
#include "runtime/command_line.h"
#include "staging/staging.h"
#include "test_support.h"

#include <windows.h>

#include <direct.h>

#include <string>
#include <vector>

namespace {

std::string Root() {
  return ScratchDrive() + "\\";
}

// --- ClassifyOs ---------------------------------------------------------------------

OSVERSIONINFOA FakeVersion;
DWORD AskedVersionSize;

BOOL WINAPI AnswerVersion(OSVERSIONINFOA* version) {
  AskedVersionSize = version->dwOSVersionInfoSize;
  *version = FakeVersion;
  version->dwOSVersionInfoSize = AskedVersionSize;
  return TRUE;
}

int ClassifyAs(DWORD platform, DWORD major, DWORD minor, const char* servicePack) {
  FakeVersion = {};
  FakeVersion.dwPlatformId = platform;
  FakeVersion.dwMajorVersion = major;
  FakeVersion.dwMinorVersion = minor;
  lstrcpyA(FakeVersion.szCSDVersion, servicePack);
  ScopedImportHook hook("kernel32.dll", "GetVersionExA", reinterpret_cast<void*>(AnswerVersion));
  CHECK(hook.installed());
  return ClassifyOs();
}

TEST_CASE(ClassifyOsMapsEachReleaseToItsKind) {
  CHECK_EQ(1, ClassifyAs(0, 3, 10, ""));
  CHECK_EQ(0, ClassifyAs(1, 3, 95, ""));
  CHECK_EQ(0, ClassifyAs(1, 5, 0, ""));
  CHECK_EQ(2, ClassifyAs(1, 4, 0, ""));
  CHECK_EQ(3, ClassifyAs(1, 4, 0, "B"));
  CHECK_EQ(3, ClassifyAs(1, 4, 3, " C"));
  CHECK_EQ(4, ClassifyAs(1, 4, 10, ""));
  CHECK_EQ(4, ClassifyAs(1, 4, 10, " A"));
  CHECK_EQ(5, ClassifyAs(2, 3, 51, "Service Pack 5"));
  CHECK_EQ(6, ClassifyAs(2, 4, 0, "Service Pack 6"));
  CHECK_EQ(6, ClassifyAs(2, 10, 0, ""));
  CHECK_EQ(0, ClassifyAs(3, 4, 0, ""));
  CHECK_EQ(148, AskedVersionSize);
}

// --- StampFileTime ------------------------------------------------------------------

struct FileTimeCall {
  bool HadCreation, HadAccess, HadWrite;
  unsigned long long Creation;
};
std::vector<FileTimeCall> FileTimeCalls;

BOOL WINAPI RecordFileTime(HANDLE, const FILETIME* creation, const FILETIME* access,
                           const FILETIME* write) {
  FileTimeCall call{creation != nullptr, access != nullptr, write != nullptr, 0};
  if (creation)
    call.Creation =
        static_cast<unsigned long long>(creation->dwHighDateTime) << 32 | creation->dwLowDateTime;
  FileTimeCalls.push_back(call);
  return TRUE;
}

unsigned long long FileTimeOfUnix(long long seconds) {
  return static_cast<unsigned long long>(seconds + 11644473600LL) * 10000000ULL;
}

uint16_t DosDate(int year, int month, int day) {
  return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}

uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
}

// The test runs with a zone far from UTC (TZ=Asia/Seoul), so a local-time conversion
// would show as a nine-hour shift.
TEST_CASE(StampFileTimeHandsOnlyTheCreationTimeAsUtc) {
  ScopedImportHook hook("kernel32.dll", "SetFileTime", reinterpret_cast<void*>(RecordFileTime));
  CHECK(hook.installed());
  const struct {
    uint16_t Time, Date;
    long long Unix;
  } instants[] = {
      {0x7A4F, 0x2B21, 999357510},                                // 2001-09-01 15:18:30
      {DosTime(0, 0, 0), DosDate(1980, 1, 1), 315532800},         // first instant
      {DosTime(23, 59, 58), DosDate(2107, 12, 31), 4354819198LL}, // last instant
      {DosTime(12, 0, 0), DosDate(2000, 2, 29), 951825600},       // leap day
  };
  for (const auto& instant : instants) {
    FileTimeCalls.clear();
    CHECK(StampFileTime(reinterpret_cast<HANDLE>(1234), instant.Time, instant.Date));
    CHECK_EQ(1, FileTimeCalls.size());
    if (FileTimeCalls.size() != 1) continue;
    CHECK(FileTimeCalls[0].HadCreation);
    CHECK(!FileTimeCalls[0].HadAccess);
    CHECK(!FileTimeCalls[0].HadWrite);
    CHECK_EQ(FileTimeOfUnix(instant.Unix), FileTimeCalls[0].Creation);
  }
}

TEST_CASE(StampFileTimeSetsNothingForValuesOutsideTheCalendar) {
  ScopedImportHook hook("kernel32.dll", "SetFileTime", reinterpret_cast<void*>(RecordFileTime));
  FileTimeCalls.clear();
  const uint16_t noon = DosTime(12, 0, 0);
  CHECK(!StampFileTime(reinterpret_cast<HANDLE>(1234), 0, 0));
  CHECK(!StampFileTime(reinterpret_cast<HANDLE>(1234), noon, DosDate(2001, 0, 1)));
  CHECK(!StampFileTime(reinterpret_cast<HANDLE>(1234), noon, DosDate(2001, 13, 1)));
  CHECK(!StampFileTime(reinterpret_cast<HANDLE>(1234), noon, DosDate(2001, 6, 0)));
  CHECK(!StampFileTime(reinterpret_cast<HANDLE>(1234), noon, DosDate(2001, 2, 29)));
  CHECK(!StampFileTime(reinterpret_cast<HANDLE>(1234), noon, DosDate(2001, 2, 30)));
  CHECK(!StampFileTime(reinterpret_cast<HANDLE>(1234), DosTime(24, 0, 0), DosDate(2001, 6, 1)));
  CHECK(!StampFileTime(reinterpret_cast<HANDLE>(1234), DosTime(10, 60, 0), DosDate(2001, 6, 1)));
  CHECK_EQ(0, FileTimeCalls.size());
}

TEST_CASE(StampFileTimeLeavesTheLastWriteTimeOfARealFile) {
  const std::string path = Root() + "STAMPED.TXT";
  WriteWholeFile(path, "abc");
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  CHECK(file != INVALID_HANDLE_VALUE);
  FILETIME before{}, after{};
  GetFileTime(file, nullptr, nullptr, &before);
  CHECK(StampFileTime(file, 0x7A4F, 0x2B21));
  GetFileTime(file, nullptr, nullptr, &after);
  CHECK(CompareFileTime(&before, &after) == 0);
  CloseHandle(file);
}

// --- MakeDirectoryPath --------------------------------------------------------------

// A relative path is built in the current directory (the work directory), one from the
// root of a drive at that root: never anywhere else.
TEST_CASE(MakeDirectoryPathBuildsWhereThePathBegins) {
  const struct {
    const char* Path;
    std::string Made;
  } paths[] = {{"A\\B", Root() + "ELSEWHERE\\A\\B"},
               {"A\\B\\", Root() + "ELSEWHERE\\A\\B"},
               {"A\\\\B", Root() + "ELSEWHERE\\A\\B"},
               {"\\A\\B", Root() + "A\\B"},
               {"C:\\NUVIKTEST\\B", "C:\\NUVIKTEST\\B"}};
  for (const auto& path : paths) {
    // A directory that is current cannot be removed.
    _chdir(Root().c_str());
    RemoveTree(Root() + "A");
    RemoveTree("C:\\NUVIKTEST");
    FreshDirectory(Root() + "ELSEWHERE");
    _chdir((Root() + "ELSEWHERE").c_str());
    MakeDirectoryPath(path.Path);
    CHECK(DirectoryExists(path.Made));
    CHECK(std::string(CurrentDirectory()) == path.Made);
    CHECK_EQ(path.Path[0] != 'A', !DirectoryExists(Root() + "ELSEWHERE\\A"));
  }
  RemoveTree("C:\\NUVIKTEST");
  // Existing components are entered as they are.
  _chdir(Root().c_str());
  MakeDirectoryPath("A\\B\\C");
  CHECK(std::string(CurrentDirectory()) == Root() + "A\\B\\C");

  _chdir(Root().c_str());
  MakeDirectoryPath("");
  CHECK(std::string(CurrentDirectory()) == Root());
  // A drive that cannot be entered gets nothing, and nothing lands here instead.
  _chdir((Root() + "ELSEWHERE").c_str());
  MakeDirectoryPath("B:\\NOWHERE");
  CHECK(!DirectoryExists(Root() + "ELSEWHERE\\NOWHERE"));
}

TEST_CASE(MakeDirectoryPathPassesOverAComponentTooLongForItsBuffer) {
  RemoveTree(Root() + "L");
  _chdir(Root().c_str());
  const std::string path = "L\\" + std::string(300, 'x') + "\\C";
  MakeDirectoryPath(path.c_str());
  CHECK(DirectoryExists(Root() + "L\\C"));
  CHECK(std::string(CurrentDirectory()) == Root() + "L\\C");
}

// --- ArgumentZero and CopyArchive ---------------------------------------------------

// Split as the C runtime's start-up splits it: the path the bootstrap was started by.
TEST_CASE(ArgumentZeroIsTheFirstWordOfTheCommandLine) {
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof module);
  const struct {
    const char* CommandLine;
    const char* Expected;
  } cases[] = {
      {"D:\\INSTALL\\SETUP.EXE", "D:\\INSTALL\\SETUP.EXE"},
      {"D:\\INSTALL\\SETUP.EXE 1 2", "D:\\INSTALL\\SETUP.EXE"},
      {"SETUP\tX", "SETUP"},
      {"\"D:\\MY MEDIA\\SETUP.EXE\" 1", "D:\\MY MEDIA\\SETUP.EXE"},
      {"\"D:\\MY MEDIA\\SETUP.EXE\"X Y", "D:\\MY MEDIA\\SETUP.EXE"},
      {"\"D:\\NO END", "D:\\NO END"},
      {"D:\\HALF\"QUOTED\" X", "D:\\HALF\"QUOTED\""},
      {"", module},
      {"\"\" X", module},
      {" SETUP.EXE", module},
  };
  for (const auto& c : cases) {
    CommandLineOverride line(c.CommandLine);
    CHECK_STR(c.Expected, ArgumentZero());
  }
}

std::vector<UINT> WriteSizes;
void* OriginalLWrite;

UINT WINAPI RecordLWrite(HFILE file, LPCCH buffer, UINT count) {
  WriteSizes.push_back(count);
  return reinterpret_cast<UINT(WINAPI*)(HFILE, LPCCH, UINT)>(OriginalLWrite)(file, buffer, count);
}

std::string PatternBytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

// The medium in MEDIA, the copy made in WORK.
void PrepareCopy(const std::string& archive) {
  FreshDirectory(Root() + "MEDIA");
  FreshDirectory(Root() + "WORK");
  WriteWholeFile(Root() + "MEDIA\\N_SETUP.DRS", archive);
  _chdir((Root() + "WORK").c_str());
}

TEST_CASE(CopyArchiveMovesWholeBlocksAndTheRest) {
  RecordedBoxes().clear();
  const std::string media = Root() + "MEDIA\\SETUP.EXE";
  ArgumentZeroOverride started(media.c_str());
  const struct {
    size_t Size;
    std::vector<UINT> Blocks;
  } cases[] = {{0, {}}, {1, {1}}, {4096, {4096}}, {4097, {4096, 1}}, {10000, {4096, 4096, 1808}}};
  for (const auto& c : cases) {
    PrepareCopy(PatternBytes(c.Size));
    WriteSizes.clear();
    OriginalLWrite = HookImport("kernel32.dll", "_lwrite", reinterpret_cast<void*>(RecordLWrite));
    CHECK(OriginalLWrite != nullptr);
    CHECK_EQ(ArchiveCopied, CopyArchive("N_SETUP.DRS"));
    HookImport("kernel32.dll", "_lwrite", OriginalLWrite);
    CHECK(WriteSizes == c.Blocks);
    std::string copy;
    CHECK(ReadWholeFile(Root() + "WORK\\N_SETUP.DRS", &copy));
    CHECK(copy == PatternBytes(c.Size));
  }
  CHECK(RecordedBoxes().empty());
}

TEST_CASE(CopyArchiveFindsTheArchiveBesideTheBootstrap) {
  RecordedBoxes().clear();
  // Quoted on the command line, the path keeps its blank; the archive is read through
  // the short form of the program's path.
  FreshDirectory(Root() + "MY MEDIA");
  FreshDirectory(Root() + "WORK");
  WriteWholeFile(Root() + "MY MEDIA\\SETUP.EXE", "the bootstrap");
  WriteWholeFile(Root() + "MY MEDIA\\N_SETUP.DRS", "blank");
  _chdir((Root() + "WORK").c_str());
  {
    const std::string media = Root() + "MY MEDIA\\SETUP.EXE";
    ArgumentZeroOverride started(media.c_str());
    CHECK_EQ(ArchiveCopied, CopyArchive("N_SETUP.DRS"));
  }
  std::string copy;
  CHECK(ReadWholeFile("N_SETUP.DRS", &copy) && copy == "blank");

  // Started by a bare name, it looks in its own directory, not the current one.
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof module);
  std::string beside = module;
  beside = beside.substr(0, beside.rfind('\\') + 1) + "BESIDE.DRS";
  WriteWholeFile(beside, "beside");
  WriteWholeFile("BESIDE.DRS", "stale copy in the current directory");
  {
    ArgumentZeroOverride started("SETUP");
    CHECK_EQ(ArchiveCopied, CopyArchive("BESIDE.DRS"));
  }
  CHECK(ReadWholeFile("BESIDE.DRS", &copy) && copy == "beside");
  DeleteFileA(beside.c_str());
  CHECK(RecordedBoxes().empty());
}

TEST_CASE(CopyArchiveFailsQuietlyWhenTheSourceCannotBeHad) {
  RecordedBoxes().clear();
  PrepareCopy("archive");
  DeleteFileA((Root() + "MEDIA\\N_SETUP.DRS").c_str());
  const std::string media = Root() + "MEDIA\\SETUP.EXE";
  {
    ArgumentZeroOverride started(media.c_str());
    CHECK_EQ(ArchiveNotCopied, CopyArchive("N_SETUP.DRS"));
  }
  // Argument 0 of 256 characters, or a source path that would not fit, is refused
  // before anything is copied.
  const std::string longArgument = Root() + std::string(251, 'd') + "\\S";
  CHECK_EQ(256, longArgument.size());
  {
    ArgumentZeroOverride started(longArgument.c_str());
    CHECK_EQ(ArchiveNotCopied, CopyArchive("N_SETUP.DRS"));
  }
  const std::string nearlyFull = Root() + std::string(244, 'd') + "\\S.EXE";
  CHECK_EQ(253, nearlyFull.size());
  {
    ArgumentZeroOverride started(nearlyFull.c_str());
    CHECK_EQ(ArchiveNotCopied, CopyArchive("N_SETUP.DRS"));
  }
  CHECK(!FileExists(Root() + "WORK\\N_SETUP.DRS"));
  CHECK(RecordedBoxes().empty());
}

UINT ShortReadBy;
void* OriginalLRead;

UINT WINAPI ShortRead(HFILE file, LPVOID buffer, UINT count) {
  const UINT got =
      reinterpret_cast<UINT(WINAPI*)(HFILE, LPVOID, UINT)>(OriginalLRead)(file, buffer, count);
  return ShortReadBy == 0 ? HFILE_ERROR : got - ShortReadBy;
}

TEST_CASE(CopyArchiveCountsAShortReadAsAFailedCopy) {
  RecordedBoxes().clear();
  const std::string media = Root() + "MEDIA\\SETUP.EXE";
  ArgumentZeroOverride started(media.c_str());
  for (UINT by : {1u, 0u}) {
    PrepareCopy(PatternBytes(5000));
    ShortReadBy = by;
    OriginalLRead = HookImport("kernel32.dll", "_lread", reinterpret_cast<void*>(ShortRead));
    CHECK(OriginalLRead != nullptr);
    CHECK_EQ(ArchiveNotCopied, CopyArchive("N_SETUP.DRS"));
    HookImport("kernel32.dll", "_lread", OriginalLRead);
  }
  // The files are closed again: the copy can be deleted.
  CHECK(DeleteFileA((Root() + "WORK\\N_SETUP.DRS").c_str()));
  CHECK(RecordedBoxes().empty());
}

} // namespace
