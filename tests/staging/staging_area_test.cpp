// PrepareStaging on the temporary paths a system may report, CleanWorkDir, and the
// message pump that the clean-up runs while it waits.
#include "check.h"
#include "extract.h"
#include "iat_hook.h"
#include "staging/staging.h"
#include "test_support.h"

#include <windows.h>

#include <direct.h>
#include <sddl.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Root() {
  return ScratchDrive() + "\\";
}

const std::string Archive =
    ArchiveImage({{"", "A.TXT", StreamAbc}, {"SUB", "X.TXT", StreamElevenX}});

// The medium in M:\MEDIA; the program starts somewhere else on the drive. The Windows
// directory is M:\WINDOWS, without a TEMP.
void RunPrepareStaging(const std::string& tempPath, const std::string& windowsDirectory = "",
                       bool wide = true, void (*prepare)() = nullptr) {
  RemoveTree(Root() + "WINDOWS");
  CreateDirectoryA((Root() + "WINDOWS").c_str(), nullptr);
  if (prepare) prepare();
  FreshDirectory(Root() + "MEDIA");
  WriteWholeFile(Root() + "MEDIA\\N_SETUP.DRS", Archive);
  FreshDirectory(Root() + "START");
  _chdir((Root() + "START").c_str());
  const std::string media = Root() + "MEDIA\\SETUP.EXE";
  ArgumentZeroOverride started(media.c_str());
  TempPathOverride temp(tempPath, windowsDirectory, wide);
  ExtractOk = 0;
  RecordedBoxes().clear();
  PrepareStaging();
}

bool Unpacked(const std::string& workDir) {
  std::string a, x;
  return ReadWholeFile(workDir + "\\A.TXT", &a) && a == "abc" &&
         ReadWholeFile(workDir + "\\SUB\\X.TXT", &x) && x == std::string(11, 'x') &&
         !FileExists(workDir + "\\N_SETUP.DRS");
}

TEST_CASE(PrepareStagingUnpacksIntoTheWorkDirectoryOfTheTempPath) {
  const std::string lower = ScratchDrive() == "M:" ? "m:" : ScratchDrive();
  FreshDirectory(Root() + "TEMP");
  RunPrepareStaging(lower + "\\temp\\");
  CHECK(std::string(StagingRoot) == ScratchDrive() + "\\TEMP");
  CHECK_EQ(1, ExtractOk);
  CHECK(Unpacked(Root() + "TEMP\\N80_INST"));
  CHECK(std::string(CurrentDirectory()) == Root() + "TEMP\\N80_INST");
  CHECK(RecordedBoxes().empty());

  // Without a trailing backslash the path stays whole; of two, one goes.
  RunPrepareStaging(Root() + "TEMP");
  CHECK(std::string(StagingRoot) == Root() + "TEMP");
  CHECK_EQ(1, ExtractOk);
  RunPrepareStaging(Root() + "TEMP\\\\");
  CHECK(std::string(StagingRoot) == Root() + "TEMP\\");
}

// What a run that died left there is gone before anything is unpacked: Windows would load
// a DLL beside the setup program before its own.
TEST_CASE(PrepareStagingEmptiesALeftoverWorkDirectory) {
  const std::string work = Root() + "TEMP\\N80_INST";
  const char* stale[] = {"\\OLD.TXT", "\\VERSION.DLL", "\\.keepme", "\\OLD\\X.TXT"};
  FreshDirectory(Root() + "TEMP");
  CreateDirectoryA(work.c_str(), nullptr);
  CreateDirectoryA((work + "\\OLD").c_str(), nullptr);
  for (const char* name : stale)
    WriteWholeFile(work + name, "old");
  WriteWholeFile(work + "\\A.TXT", "previous run, longer than abc");
  RunPrepareStaging(Root() + "TEMP\\");
  CHECK_EQ(1, ExtractOk);
  CHECK(Unpacked(work));
  for (const char* name : stale)
    CHECK(!FileExists(work + name));
  CleanWorkDir();
  CHECK(!DirectoryExists(work));
}

const std::string Planted = ScratchDrive() + "\\WINDOWS\\TEMP\\N80_INST";

void Plant() {
  CreateDirectoryA((Root() + "WINDOWS\\TEMP").c_str(), nullptr);
  CreateDirectoryA(Planted.c_str(), nullptr);
  WriteWholeFile(Planted + "\\N_SETUP.EXE", "theirs");
  WriteWholeFile(Planted + "\\VERSION.DLL", "theirs");
}

BOOL WINAPI Windows95(LPOSVERSIONINFOA version) {
  *version = {sizeof *version, 4, 0, 950, VER_PLATFORM_WIN32_WINDOWS, ""};
  return TRUE;
}

// The Windows directory's TEMP, where any user of the NT family may write: a work
// directory someone else made there is neither entered nor used, an empty one is made
// afresh and closed to other users; the Windows 95 family's one user empties it.
TEST_CASE(PrepareStagingUsesOnlyAWorkDirectoryItMade) {
  RunPrepareStaging("J:\\TEMP\\", "", true, Plant);
  std::string theirs;
  CHECK(ExtractOk == 0 && ReadWholeFile(Planted + "\\N_SETUP.EXE", &theirs) && theirs == "theirs");
  CHECK(FileExists(Planted + "\\VERSION.DLL") && !FileExists(Planted + "\\A.TXT"));
  RunPrepareStaging("J:\\TEMP\\", "", true, [] {
    CreateDirectoryA((Root() + "WINDOWS\\TEMP").c_str(), nullptr);
    CreateDirectoryA(Planted.c_str(), nullptr);
  });
  CHECK_EQ(1, ExtractOk);
  // Wine shows SYSTEM beside the user on every file, and Everyone where others may look.
  char security[512];
  DWORD size = 0;
  BOOL present = FALSE, defaulted = FALSE;
  ACL* acl = nullptr;
  CHECK(GetFileSecurityA(Planted.c_str(), DACL_SECURITY_INFORMATION, security, sizeof security,
                         &size) &&
        GetSecurityDescriptorDacl(security, &present, &acl, &defaulted) && acl && acl->AceCount);
  for (int i = 0; acl && i < acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    char* sid = nullptr;
    CHECK(GetAce(acl, i, reinterpret_cast<void**>(&ace)) &&
          ConvertSidToStringSidA(&ace->SidStart, &sid) && std::strcmp(sid, "S-1-1-0") != 0);
  }
  {
    ScopedImportHook family("kernel32.dll", "GetVersionExA", reinterpret_cast<void*>(Windows95));
    RunPrepareStaging("J:\\TEMP\\", "", false, Plant);
    CHECK(ExtractOk == 1 && Unpacked(Planted) && !FileExists(Planted + "\\VERSION.DLL"));
  }

  // A link named N80_INST is never followed. Wine shows a Unix one as a junction but
  // does not remove it, so the root is passed over.
  FreshDirectory(Root() + "DOCS");
  WriteWholeFile(Root() + "DOCS\\README.TXT", "mine");
  FreshDirectory(Root() + "TEMP");
  CHECK(UnixLink(Root() + "TEMP\\N80_INST", Root() + "DOCS"));
  RunPrepareStaging(Root() + "TEMP\\");
  CHECK(ExtractOk == 1 && std::string(StagingRoot) == Root() + "WINDOWS\\TEMP");
  CleanWorkDir();
  std::string mine;
  CHECK(ReadWholeFile(Root() + "DOCS\\README.TXT", &mine) && mine == "mine");
  CHECK(!FileExists(Root() + "DOCS\\A.TXT") && !DirectoryExists(Planted));
  CHECK(!UnixLink(Root() + "TEMP\\N80_INST", ""));
}

// A temporary directory at the root of a drive: the work directory is at that root,
// wherever the drive's current directory stands.
TEST_CASE(PrepareStagingAtTheRootOfADrive) {
  RemoveTree(Root() + "N80_INST");
  RunPrepareStaging(Root());
  CHECK(std::string(StagingRoot) == ScratchDrive());
  CHECK_EQ(1, ExtractOk);
  CHECK(Unpacked(Root() + "N80_INST"));
  CHECK(!DirectoryExists(Root() + "START\\N80_INST"));
  CleanWorkDir();
  CHECK(!DirectoryExists(Root() + "N80_INST"));
}

// Runs in code page 949 (LANG=ko_KR.UTF-8): the trail byte 0x61 of the first character
// must not become 0x41, which would name another directory.
TEST_CASE(PrepareStagingKeepsDoubleByteCharactersWhole) {
  const std::string korean = "\x81\x61temp";
  const std::string hangul = "\xC7\xD1\xB1\xDB";
  CHECK(IsDBCSLeadByte(0x81));
  FreshDirectory(Root() + korean);
  RunPrepareStaging(Root() + korean + "\\");
  CHECK(std::string(StagingRoot) == Root() + "\x81\x61TEMP");
  CHECK_EQ(1, ExtractOk);
  CHECK(Unpacked(Root() + korean + "\\N80_INST"));

  FreshDirectory(Root() + hangul);
  RunPrepareStaging(Root() + hangul + "\\");
  CHECK(std::string(StagingRoot) == Root() + hangul);
  CHECK_EQ(1, ExtractOk);
}

bool NothingCreated() {
  return !FileExists(Root() + "START\\A.TXT") && !DirectoryExists(Root() + "START\\N80_INST") &&
         !FileExists(Root() + "MEDIA\\A.TXT");
}

// A root the hand-off line could not carry, or none at all: the short form of the
// temporary path, else the Windows directory's TEMP, made where missing.
TEST_CASE(PrepareStagingFallsBackToTheShortFormAndTheWindowsTemp) {
  const std::string windowsTemp = Root() + "WINDOWS\\TEMP";
  const std::string unusable[] = {
      "",                                    // the system gave nothing
      "\\\\SERVER\\SHARE\\TEMP\\",           // a network share
      "J:\\TEMP\\",                          // no such drive
      Root() + "MISSING\\",                  // no such directory
      Root() + std::string(300, 'p') + "\\", // more than the 259 characters asked for
  };
  for (const std::string& path : unusable) {
    RunPrepareStaging(path);
    CHECK(std::string(StagingRoot) == windowsTemp);
    CHECK_EQ(1, ExtractOk);
    CHECK(Unpacked(windowsTemp + "\\N80_INST"));
    CHECK(NothingCreated());
    CHECK(RecordedBoxes().empty());
  }
  CHECK(!DirectoryExists(Root() + "MISSING"));

  // A file named N80_INST in the way: nothing is unpacked beside it.
  FreshDirectory(Root() + "TEMP");
  WriteWholeFile(Root() + "TEMP\\N80_INST", "in the way");
  RunPrepareStaging(Root() + "TEMP\\");
  CHECK(std::string(StagingRoot) == windowsTemp);
  CHECK_EQ(1, ExtractOk);
  CHECK(NothingCreated());
  CHECK(!FileExists(Root() + "TEMP\\A.TXT"));

  // Nothing that serves: nothing is created anywhere.
  RunPrepareStaging(Root() + "MISSING\\", "J:\\WINDOWS");
  CHECK_EQ(0, ExtractOk);
  CHECK(NothingCreated());
  CHECK(RecordedBoxes().empty());
}

// The work directory must fit the 253 characters in which the extraction keeps its
// way back, so the staging root may have 244; a longer one is reached by its short form.
TEST_CASE(PrepareStagingTakesTheShortFormOfPathsThatDoNotFit) {
  const std::string fits = Root() + std::string(120, 'f') + "\\" + std::string(120, 'g');
  CHECK_EQ(244, fits.size());
  RemoveTree(Root() + std::string(120, 'f'));
  CreateDirectoryA((Root() + std::string(120, 'f')).c_str(), nullptr);
  CreateDirectoryA(fits.c_str(), nullptr);
  RunPrepareStaging(fits + "\\");
  CHECK_EQ(1, ExtractOk);
  CHECK(Unpacked(fits + "\\N80_INST"));

  // From the wide path, and from the ANSI one where there is no wide call.
  const std::string tooLong = fits + "h";
  CreateDirectoryA(tooLong.c_str(), nullptr);
  for (bool wide : {true, false}) {
    RemoveTree(tooLong + "\\N80_INST");
    RunPrepareStaging(tooLong + "\\", "", wide);
    CHECK_EQ(1, ExtractOk);
    CHECK(std::strlen(StagingRoot) < 40);
    CHECK(Unpacked(std::string(StagingRoot) + "\\N80_INST"));
    CHECK(Unpacked(tooLong + "\\N80_INST"));
    CHECK(NothingCreated());
  }
}

TEST_CASE(PrepareStagingReportsADamagedArchiveOnceAndKeepsWhatWasWritten) {
  std::string damaged = ArchiveImage({{"", "A.TXT", StreamAbc}, {"", "B.TXT", StreamAbc}});
  damaged.resize(damaged.size() - 6); // B's size field is cut short
  FreshDirectory(Root() + "TEMP");
  FreshDirectory(Root() + "MEDIA");
  WriteWholeFile(Root() + "MEDIA\\N_SETUP.DRS", damaged);
  const std::string media = Root() + "MEDIA\\SETUP.EXE";
  ArgumentZeroOverride started(media.c_str());
  TempPathOverride temp(Root() + "TEMP\\");
  RecordedBoxes().clear();
  ExtractOk = 1;
  PrepareStaging();
  CHECK_EQ(0, ExtractOk);
  CHECK_EQ(1, RecordedBoxes().size());
  if (!RecordedBoxes().empty()) {
    CHECK_STR("File error !!", RecordedBoxes()[0].Text.c_str());
    CHECK_STR("Fatal Error", RecordedBoxes()[0].Caption.c_str());
    CHECK(RecordedBoxes()[0].Owner == nullptr);
    CHECK_EQ(MB_OK, RecordedBoxes()[0].Style);
  }
  CHECK(ArchiveStream == nullptr && OutputStream == nullptr);
  CHECK(FileExists(Root() + "TEMP\\N80_INST\\A.TXT"));
  CHECK(FileExists(Root() + "TEMP\\N80_INST\\B.TXT"));
  CHECK(FileExists(Root() + "TEMP\\N80_INST\\N_SETUP.DRS"));
}

// --- CleanWorkDir -------------------------------------------------------------------

int SleepCalls;
int DeleteCalls;
void* OriginalSleep;
void* OriginalDelete;
void (*OnSleep)(int call);

void WINAPI CountSleep(DWORD milliseconds) {
  ++SleepCalls;
  CHECK_EQ(300, milliseconds);
  if (OnSleep) OnSleep(SleepCalls);
  reinterpret_cast<void(WINAPI*)(DWORD)>(OriginalSleep)(milliseconds);
}

BOOL WINAPI CountDelete(LPCSTR path) {
  ++DeleteCalls;
  return reinterpret_cast<BOOL(WINAPI*)(LPCSTR)>(OriginalDelete)(path);
}

struct CleanUpObserver {
  CleanUpObserver() {
    SleepCalls = DeleteCalls = 0;
    OriginalSleep = HookImport("kernel32.dll", "Sleep", reinterpret_cast<void*>(CountSleep));
    OriginalDelete =
        HookImport("kernel32.dll", "DeleteFileA", reinterpret_cast<void*>(CountDelete));
  }
  ~CleanUpObserver() {
    HookImport("kernel32.dll", "Sleep", OriginalSleep);
    HookImport("kernel32.dll", "DeleteFileA", OriginalDelete);
    OnSleep = nullptr;
  }
};

std::string WorkDir() {
  return Root() + "CLEAN\\N80_INST";
}

void MakeWorkDir() {
  FreshDirectory(Root() + "CLEAN");
  CreateDirectoryA(WorkDir().c_str(), nullptr);
  lstrcpyA(StagingRoot, (Root() + "CLEAN").c_str());
  _chdir(Root().c_str());
}

TEST_CASE(CleanWorkDirRemovesFilesAndSubDirectoriesAtOnce) {
  MakeWorkDir();
  WriteWholeFile(WorkDir() + "\\N_SETUP.EXE", "exe");
  WriteWholeFile(WorkDir() + "\\A.TXT", "a");
  CreateDirectoryA((WorkDir() + "\\SUB").c_str(), nullptr);
  CreateDirectoryA((WorkDir() + "\\SUB\\DEEP").c_str(), nullptr);
  WriteWholeFile(WorkDir() + "\\SUB\\X.TXT", "x");
  WriteWholeFile(WorkDir() + "\\SUB\\DEEP\\Y.TXT", "y");
  WriteWholeFile(Root() + "CLEAN\\BESIDE.TXT", "not ours");
  CleanUpObserver observer;
  CleanWorkDir();
  CHECK(!DirectoryExists(WorkDir()));
  CHECK(FileExists(Root() + "CLEAN\\BESIDE.TXT"));
  CHECK_EQ(0, SleepCalls);
  CHECK_EQ(4, DeleteCalls);
  CHECK(std::string(CurrentDirectory()) == Root() + "CLEAN");
}

TEST_CASE(CleanWorkDirRemovesDotNamesButNotReadOnlyFilesNorWhatALinkHolds) {
  MakeWorkDir();
  FreshDirectory(Root() + "DOCS");
  WriteWholeFile(Root() + "DOCS\\README.TXT", "mine");
  CHECK(UnixLink(WorkDir() + "\\LINKED", Root() + "DOCS"));
  WriteWholeFile(WorkDir() + "\\.KEEP", "dot");
  WriteWholeFile(WorkDir() + "\\LOCKED.TXT", "read-only");
  SetFileAttributesA((WorkDir() + "\\LOCKED.TXT").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteWholeFile(WorkDir() + "\\GONE.TXT", "gone");
  {
    CleanUpObserver observer;
    CleanWorkDir();
    CHECK_EQ(10, SleepCalls);
    CHECK_EQ(12, DeleteCalls);
  }
  CHECK(!FileExists(WorkDir() + "\\.KEEP") && FileExists(Root() + "DOCS\\README.TXT"));
  CHECK(!UnixLink(WorkDir() + "\\LINKED", ""));
  CHECK(FileExists(WorkDir() + "\\LOCKED.TXT"));
  CHECK(!FileExists(WorkDir() + "\\GONE.TXT"));
  SetFileAttributesA((WorkDir() + "\\LOCKED.TXT").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_CASE(CleanWorkDirDeletesNothingWhenTheWorkDirectoryIsGone) {
  FreshDirectory(Root() + "CLEAN");
  WriteWholeFile(Root() + "CLEAN\\A.TXT", "a");
  lstrcpyA(StagingRoot, (Root() + "CLEAN").c_str());
  CleanWorkDir();
  CHECK(FileExists(Root() + "CLEAN\\A.TXT"));
  lstrcpyA(StagingRoot, (Root() + "NOWHERE").c_str());
  _chdir((Root() + "CLEAN").c_str());
  CleanWorkDir();
  CHECK(FileExists(Root() + "CLEAN\\A.TXT"));
}

// --- a file held by another process, and the pump between attempts -----------------

int Dispatched;
UINT LastDispatched;

LRESULT CALLBACK CountingWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER || message == WM_KEYDOWN) {
    ++Dispatched;
    LastDispatched = message;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeCountingWindow() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = CountingWindow;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "StagingTestCounter";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "StagingTestCounter", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageA(&message);
  Dispatched = 0;
  return window;
}

TEST_CASE(PumpPendingMessagesStopsAtQuitWithoutDispatchingIt) {
  HWND window = MakeCountingWindow();
  PumpPendingMessages(); // an empty queue: back at once
  CHECK_EQ(0, Dispatched);

  PostMessageA(window, WM_USER + 1, 0, 0);
  PostMessageA(window, WM_KEYDOWN, 'A', 0x001E0001);
  PostMessageA(window, WM_USER + 2, 0, 0);
  PostMessageA(window, WM_QUIT, 7, 0);
  PostMessageA(window, WM_USER + 3, 0, 0);
  PumpPendingMessages();
  CHECK_EQ(3, Dispatched);
  CHECK_EQ(WM_USER + 2, LastDispatched);
  // Left queued: the message behind the quit, and the character that the translation
  // of the key posted.
  std::vector<UINT> left;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    left.push_back(message.message);
  const std::vector<UINT> expected = {WM_USER + 3, WM_CHAR};
  CHECK(left == expected);
  DestroyWindow(window);
}

HANDLE Holder;
HANDLE Release;
int ReleaseAtSleep;
HWND PumpedWindow;

void StartHolder(const std::string& path) {
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof module);
  std::string commandLine = std::string("\"") + module + "\" --hold \"" + path + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  CHECK(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process));
  CloseHandle(process.hThread);
  Holder = process.hProcess;
  // Wait until the other process holds the file: then it cannot be opened unshared. A
  // Wine process may take long to start on a busy machine.
  for (int i = 0; i < 3000; ++i) {
    HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return;
    CloseHandle(probe);
    Sleep(100);
  }
  CHECK(!"the holding process never opened the file");
}

void ReleaseHolder(int call) {
  PostMessageA(PumpedWindow, WM_USER + 9, 0, 0);
  if (call != ReleaseAtSleep) return;
  SetEvent(Release);
  WaitForSingleObject(Holder, 60000);
}

TEST_CASE(CleanWorkDirRetriesAFileHeldByAnotherProcess) {
  MakeWorkDir();
  const std::string held = WorkDir() + "\\N_SETUP.EXE";
  WriteWholeFile(held, "running");
  Release = CreateEventA(nullptr, TRUE, FALSE, "StagingTestRelease");
  StartHolder(held);
  PumpedWindow = MakeCountingWindow();

  // Still held after ten attempts: left, and so is the work directory.
  {
    CleanUpObserver observer;
    OnSleep = ReleaseHolder;
    ReleaseAtSleep = 0;
    CleanWorkDir();
    CHECK_EQ(10, DeleteCalls);
    CHECK_EQ(10, SleepCalls);
  }
  CHECK(FileExists(held));
  CHECK(DirectoryExists(WorkDir()));
  // What was posted during a wait was dispatched by the pump after the next attempt.
  CHECK_EQ(9, Dispatched);

  // Released after the third wait: the fourth attempt deletes it.
  {
    CleanUpObserver observer;
    OnSleep = ReleaseHolder;
    ReleaseAtSleep = 3;
    CleanWorkDir();
    CHECK_EQ(4, DeleteCalls);
    CHECK_EQ(3, SleepCalls);
  }
  CHECK(!DirectoryExists(WorkDir()));
  CloseHandle(Holder);
  CloseHandle(Release);
  DestroyWindow(PumpedWindow);
}

} // namespace
