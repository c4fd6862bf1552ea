// The whole run inside this program: WinMain and the window procedure with the real
// staging, the platform calls around them observed or steered through the import
// table (the boxes answer at once, the setup program's start is simulated).
#include "check.h"
#include "expected_texts.h"
#include "format/rules.h"
#include "iat_hook.h"
#include "launch.h"
#include "runtime/command_line.h"
#include "setup_arguments.h"
#include "staging/staging.h"
#include "window_proc.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

namespace {

struct Box {
  HWND Owner;
  std::string Text, Caption;
  UINT Style;
};

// One run's script and record.
struct Run {
  UINT OemCodePage = 437;
  std::map<std::string, std::string> Ports;
  std::vector<std::string> PortsWritten;
  std::vector<int> Answers; // given to the boxes in turn; IDOK when used up
  std::vector<Box> Boxes;
  int ExitWindowsCalls = 0;
  UINT ExitFlags = 0;
  DWORD ExitReserved = 0;
  bool FailWindowCreation = false;
  int WindowsCreated = 0;
  UINT StartResult = 33;
  std::vector<std::string> Started;
  bool VisibleWhenStarted = false;
  std::vector<std::pair<HWND, int>> ShowCalls;
  std::vector<std::string> Events; // "paint" and "staging", in order
  std::string TempPath;
};
Run* Current = nullptr;

HWND MainWindow() {
  return FindWindowA("FIRST_INSTALL", nullptr);
}

UINT WINAPI ScriptedGetOEMCP() {
  return Current->OemCodePage;
}

DWORD WINAPI ScriptedGetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR value,
                                       DWORD size) {
  CHECK_STR("ports", section);
  CHECK_EQ(79, size);
  const auto found = Current->Ports.find(key);
  std::snprintf(value, size, "%s",
                found == Current->Ports.end() ? fallback : found->second.c_str());
  return static_cast<DWORD>(std::strlen(value));
}

BOOL WINAPI RecordingWriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) {
  CHECK_STR("ports", section);
  Current->PortsWritten.push_back(std::string(key) + "=" + value);
  Current->Ports[key] = value;
  return TRUE;
}

int WINAPI ScriptedMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  Current->Boxes.push_back({owner, text, caption, style});
  if (Current->Answers.empty()) return IDOK;
  const int answer = Current->Answers.front();
  Current->Answers.erase(Current->Answers.begin());
  return answer;
}

BOOL WINAPI RecordingExitWindowsEx(UINT flags, DWORD reserved) {
  ++Current->ExitWindowsCalls;
  Current->ExitFlags = flags;
  Current->ExitReserved = reserved;
  return TRUE;
}

decltype(&CreateWindowExA) RealCreateWindowExA;
HWND WINAPI ScriptedCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style,
                                    int x, int y, int width, int height, HWND parent, HMENU menu,
                                    HINSTANCE instance, LPVOID data) {
  ++Current->WindowsCreated;
  if (Current->FailWindowCreation) return nullptr;
  return RealCreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu,
                             instance, data);
}

DWORD WINAPI ScriptedGetTempPathA(DWORD size, LPSTR buffer) {
  Current->Events.push_back("staging");
  std::snprintf(buffer, size, "%s", Current->TempPath.c_str());
  return static_cast<DWORD>(std::strlen(buffer));
}

decltype(&BeginPaint) RealBeginPaint;
HDC WINAPI RecordingBeginPaint(HWND window, LPPAINTSTRUCT paint) {
  Current->Events.push_back("paint");
  return RealBeginPaint(window, paint);
}

// Stands in for the setup program: records its command line and, when it "starts",
// closes the bootstrap's window as the real one does when it is done.
UINT WINAPI SimulatedWinExec(LPCSTR commandLine, UINT show) {
  CHECK_EQ(SW_SHOW, show);
  Current->Started.push_back(commandLine);
  Current->VisibleWhenStarted = IsWindowVisible(MainWindow()) != 0;
  if (Current->StartResult > 31) PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
  return Current->StartResult;
}

decltype(&ShowWindow) RealShowWindow;
BOOL WINAPI RecordingShowWindow(HWND window, int command) {
  Current->ShowCalls.push_back({window, command});
  return RealShowWindow(window, command);
}

std::string ModuleDirectory() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path);
  return directory.substr(0, directory.rfind('\\'));
}

// The archive beside this program, where the staging looks for it.
void PutArchive(const std::string& bytes) {
  FILE* file = std::fopen((ModuleDirectory() + "\\N_SETUP.DRS").c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// An archive with no entries: the signature area, Reserved, EntryCount 0, DataBase.
std::string EmptyArchive() {
  return std::string(54, 'N') + std::string(8, '\0');
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Upper(std::string text) {
  for (char& c : text)
    c = UpperAscii(c);
  return text;
}

// Runs WinMain once with every hook in place; returns its result.
int RunWinMain(Run& run) {
  Current = &run;
  if (run.TempPath.empty()) run.TempPath = ModuleDirectory() + "\\run_tmp\\";
  CreateDirectoryA(run.TempPath.c_str(), nullptr);
  ExtractOk = 0;
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);

  ScopedImportHook oem("kernel32.dll", "GetOEMCP", reinterpret_cast<void*>(ScriptedGetOEMCP));
  ScopedImportHook read("kernel32.dll", "GetProfileStringA",
                        reinterpret_cast<void*>(ScriptedGetProfileStringA));
  ScopedImportHook write("kernel32.dll", "WriteProfileStringA",
                         reinterpret_cast<void*>(RecordingWriteProfileStringA));
  ScopedImportHook box("user32.dll", "MessageBoxA", reinterpret_cast<void*>(ScriptedMessageBoxA));
  ScopedImportHook exitWindows("user32.dll", "ExitWindowsEx",
                               reinterpret_cast<void*>(RecordingExitWindowsEx));
  ScopedImportHook create("user32.dll", "CreateWindowExA",
                          reinterpret_cast<void*>(ScriptedCreateWindowExA));
  ScopedImportHook temp("kernel32.dll", "GetTempPathA",
                        reinterpret_cast<void*>(ScriptedGetTempPathA));
  ScopedImportHook paint("user32.dll", "BeginPaint", reinterpret_cast<void*>(RecordingBeginPaint));
  ScopedImportHook start("kernel32.dll", "WinExec", reinterpret_cast<void*>(SimulatedWinExec));
  ScopedImportHook show("user32.dll", "ShowWindow", reinterpret_cast<void*>(RecordingShowWindow));
  CHECK(oem.installed() && read.installed() && write.installed() && box.installed() &&
        exitWindows.installed() && create.installed() && temp.installed() && paint.installed() &&
        start.installed() && show.installed());
  RealCreateWindowExA = create.original<decltype(RealCreateWindowExA)>();
  RealBeginPaint = paint.original<decltype(RealBeginPaint)>();
  RealShowWindow = show.original<decltype(RealShowWindow)>();

  const int result = WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWNORMAL);
  // Each run registers the class afresh, as a new process would.
  UnregisterClassA("FIRST_INSTALL", GetModuleHandleA(nullptr));
  SetCurrentDirectoryA(current);
  Current = nullptr;
  return result;
}

void CheckBox(const Box& box, HWND owner, const BoxText& expected, UINT style) {
  CHECK(box.Owner == owner);
  CHECK_STR(expected.Text, box.Text.c_str());
  CHECK_STR(expected.Caption, box.Caption.c_str());
  CHECK_EQ(style, box.Style);
}

std::map<std::string, std::string> AllPorts() {
  return {{"COM1:", "1200,n,8,1"},
          {"COM2:", "2400,e,7,1"},
          {"COM3:", "4800,o,8,2"},
          {"COM4:", "19200,n,8,1"}};
}

} // namespace

TEST_CASE(PortsAllPresentMeanNoWriteAndNoQuestion) {
  PutArchive(EmptyArchive());
  Run run;
  run.Ports = AllPorts();
  CHECK_EQ(0, RunWinMain(run));
  CHECK(run.PortsWritten.empty());
  CHECK(run.Ports == AllPorts());
  CHECK_EQ(0, run.Boxes.size());
  CHECK_EQ(1, run.WindowsCreated);
}

TEST_CASE(EmptyPortIsWrittenAloneThenQuestionAndNoticeInEitherLanguage) {
  for (int language = 0; language < 2; ++language) {
    PutArchive(EmptyArchive());
    Run run;
    run.OemCodePage = language ? 949 : 850;
    run.Ports = AllPorts();
    run.Ports["COM3:"] = "";
    run.Answers = {IDNO};
    CHECK_EQ(0, RunWinMain(run));
    CHECK_EQ(1, run.PortsWritten.size());
    if (!run.PortsWritten.empty()) CHECK_STR("COM3:=9600,n,8,1", run.PortsWritten[0].c_str());
    CHECK_EQ(2, run.Boxes.size());
    if (run.Boxes.size() == 2) {
      CheckBox(run.Boxes[0], nullptr, RestartQuestion[language], MB_YESNO | MB_ICONQUESTION);
      CheckBox(run.Boxes[1], nullptr, RestartNotice[language], MB_OK | MB_ICONINFORMATION);
    }
    // No goes on with the installation.
    CHECK_EQ(1, run.WindowsCreated);
    CHECK_EQ(1, run.Started.size());
    CHECK_EQ(0, run.ExitWindowsCalls);
  }
}

TEST_CASE(YesLogsOffAndOpensNoWindow) {
  Run run;
  run.Answers = {IDYES};
  CHECK_EQ(0, RunWinMain(run));
  CHECK_EQ(4, run.PortsWritten.size());
  CHECK_EQ(1, run.Boxes.size());
  CHECK_EQ(1, run.ExitWindowsCalls);
  CHECK_EQ(EWX_LOGOFF, run.ExitFlags);
  CHECK_EQ(0xFFFFFFFFu, run.ExitReserved);
  CHECK_EQ(0, run.WindowsCreated);
  CHECK(run.Events.empty());
}

TEST_CASE(SuccessfulRunPaintsStagesHandsOffAndCleans) {
  PutArchive(EmptyArchive());
  Run run;
  run.Ports = AllPorts();
  CHECK_EQ(0, RunWinMain(run));
  CHECK(run.Events.size() >= 2 && run.Events[0] == "paint" && run.Events[1] == "staging");
  CHECK_EQ(1, run.Started.size());
  if (run.Started.size() == 1) {
    const std::string root = Upper(run.TempPath.substr(0, run.TempPath.size() - 1));
    CHECK_STR(root.c_str(), StagingRoot);
    SetupArguments arguments{};
    CHECK(ParseSetupArguments(run.Started[0].c_str(), arguments));
    char expected[CommandLineSize];
    std::snprintf(expected, sizeof expected, "%s\\N80_INST\\N_SETUP.EXE %ld %lu %s", root.c_str(),
                  arguments.Token, arguments.Window, ArgumentZero());
    CHECK_STR(expected, run.Started[0].c_str());
    // Hidden only once the start has returned.
    CHECK(run.VisibleWhenStarted);
    bool hidden = false;
    for (const auto& [window, command] : run.ShowCalls)
      hidden =
          hidden || (command == SW_HIDE && reinterpret_cast<uintptr_t>(window) == arguments.Window);
    CHECK(hidden);
    CHECK(!Exists(root + "\\N80_INST"));
  }
  CHECK_EQ(0, run.Boxes.size());
}

TEST_CASE(SetupProgramThatCannotStartIsReportedAndCleanedUp) {
  PutArchive(EmptyArchive());
  Run run;
  run.Ports = AllPorts();
  run.StartResult = ERROR_FILE_NOT_FOUND;
  CHECK_EQ(0, RunWinMain(run));
  CHECK_EQ(1, run.Started.size());
  CHECK_EQ(1, run.Boxes.size());
  if (run.Boxes.size() == 1) {
    CHECK(run.Boxes[0].Owner != nullptr);
    CheckBox(run.Boxes[0], run.Boxes[0].Owner, CannotContinue[0], MB_OK);
  }
  for (const auto& call : run.ShowCalls)
    CHECK(call.second != SW_HIDE);
  CHECK(!Exists(std::string(StagingRoot) + "\\N80_INST"));
}

TEST_CASE(WindowThatCannotBeCreatedIsReportedWithoutOwner) {
  for (int language = 0; language < 2; ++language) {
    Run run;
    run.OemCodePage = language ? 949 : 437;
    run.Ports = AllPorts();
    run.FailWindowCreation = true;
    CHECK_EQ(0, RunWinMain(run));
    CHECK_EQ(1, run.Boxes.size());
    if (run.Boxes.size() == 1) CheckBox(run.Boxes[0], nullptr, CannotContinue[language], MB_OK);
    CHECK(run.Events.empty());
  }
}

TEST_CASE(DamagedArchiveKeepsTheWorkDirectoryAndEndsWithZero) {
  for (int language = 0; language < 2; ++language) {
    PutArchive(std::string(54, 'N') + std::string("\0\0\1\0", 4)); // ends inside the directory
    Run run;
    run.OemCodePage = language ? 949 : 437;
    run.Ports = AllPorts();
    CHECK_EQ(0, RunWinMain(run));
    CHECK_EQ(0, run.Started.size());
    CHECK_EQ(2, run.Boxes.size());
    if (run.Boxes.size() == 2) {
      CHECK(run.Boxes[0].Owner == nullptr);
      CHECK_STR("Fatal Error", run.Boxes[0].Caption.c_str());
      CHECK(run.Boxes[1].Owner != nullptr);
      CheckBox(run.Boxes[1], run.Boxes[1].Owner, CannotContinue[language], MB_OK);
    }
    CHECK(Exists(std::string(StagingRoot) + "\\N80_INST"));
  }
}

TEST_CASE(OtherMessagesGetTheDefaultHandling) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "DEFAULT_TEST";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "DEFAULT_TEST", "Title", WS_POPUP, 0, 0, 50, 40, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
  char text[16];
  const struct {
    UINT Message;
    WPARAM W;
    LPARAM L;
  } messages[] = {{WM_GETTEXTLENGTH, 0, 0},
                  {WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)},
                  {WM_NCHITTEST, 0, MAKELPARAM(10, 10)},
                  {WM_ERASEBKGND, 0, 0},
                  {WM_QUERYENDSESSION, 0, 0},
                  {WM_START_INSTALL + 1, 7, 9},
                  {WM_USER, 1, 2}};
  for (const auto& m : messages)
    CHECK_EQ(DefWindowProcA(window, m.Message, m.W, m.L), MainWndProc(window, m.Message, m.W, m.L));
  DestroyWindow(window);
}

TEST_CASE(DestroyWithoutExtractionTouchesNoFile) {
  static int searches = 0;
  struct Local {
    static HANDLE WINAPI CountingFindFirstFileA(LPCSTR, LPWIN32_FIND_DATAA) {
      ++searches;
      return INVALID_HANDLE_VALUE;
    }
  };
  ScopedImportHook find("kernel32.dll", "FindFirstFileA",
                        reinterpret_cast<void*>(Local::CountingFindFirstFileA));
  ExtractOk = 0;
  HWND window = CreateWindowExA(0, "DEFAULT_TEST", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  CHECK_EQ(0, MainWndProc(window, WM_DESTROY, 0, 0));
  MSG message;
  CHECK(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  CHECK_EQ(0, message.wParam);
  CHECK_EQ(0, searches);
  DestroyWindow(window);
}
