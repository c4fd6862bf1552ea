#include "setup_run.h"

#include "format/rules.h"
#include "linux_command_line.h"
#include "setup_process.h"
#include "windows_files.h"

#include <cstring>
#include <set>

namespace {

struct WindowSearch {
  DWORD ProcessId;
  const char* ClassName;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (process == search->ProcessId && std::strcmp(name, search->ClassName) == 0)
    search->Found.push_back(window);
  return TRUE;
}

std::vector<HWND> WindowsOf(DWORD processId, const char* className) {
  WindowSearch search{processId, className, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// The parent environment with TMP, TEMP and the demo setup program's settings
// replaced; a block of NUL-terminated "name=value" texts ending in an empty one.
std::wstring ChildEnvironment(const SetupRunOptions& options) {
  const wchar_t* replaced[] = {L"TMP=", L"TEMP=", L"NUVIK_DEMO_"};
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
    bool keep = true;
    for (const wchar_t* prefix : replaced)
      keep = keep && _wcsnicmp(entry, prefix, wcslen(prefix)) != 0;
    if (keep) block.append(entry).push_back(L'\0');
  }
  FreeEnvironmentStringsW(strings);
  auto add = [&block](const std::wstring& entry) { block.append(entry).push_back(L'\0'); };
  const std::wstring temp =
      options.WideTempPath.empty() ? Wide(options.TempPath) : options.WideTempPath;
  add(L"TMP=" + temp);
  add(L"TEMP=" + temp);
  if (options.DemoSeconds > 0) add(L"NUVIK_DEMO_SECONDS=" + std::to_wstring(options.DemoSeconds));
  add(L"NUVIK_DEMO_REPORT=" + Wide(options.ReportPath));
  if (!options.ScreenshotPath.empty())
    add(L"NUVIK_DEMO_SCREENSHOT=" + Wide(options.ScreenshotPath));
  block.push_back(L'\0');
  return block;
}

// Presses a button of a box the way a click does. Posted, not sent: the box's
// owner thread is busy in the modal loop that handles it.
void PressButton(HWND box, int id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

std::string WindowText(HWND window) {
  char text[2048] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// The setup program's command line, from its memory or, where that cannot be read (under
// an emulator), from the process list Linux keeps.
void LearnHandOff(HANDLE setupProgram, const std::wstring& bootstrap, SetupRunRecord* record) {
  if (record->SetupProgramPath.empty()) record->SetupProgramPath = ProgramPath(setupProgram);
  if (!record->HandOffLine.empty()) return;
  std::string why;
  if ((ReadCommandLine(setupProgram, &record->HandOffLine) && !record->HandOffLine.empty()) ||
      FindLinuxCommandLine(SetupProgramName, record->Window, bootstrap, &record->HandOffLine, &why))
    record->HandOffUnknownWhy.clear();
  else
    record->HandOffUnknownWhy = "its memory cannot be read, and " + why;
}

// Without its command line, the setup program counts as handed off once it has run this
// long; the staged files are listed then.
constexpr DWORD HandOffReadMs = 2000;

} // namespace

SetupWatch::SetupWatch(const SetupRunOptions& options)
    : Options_(options), Environment_(ChildEnvironment(options)),
      Program_(options.WideSetupPath.empty() ? Wide(options.SetupPath) : options.WideSetupPath) {
  Startup_.cb = sizeof Startup_;
}

SetupWatch::~SetupWatch() = default;

SetupRunRecord SetupWatch::Run() {
  DeleteFileA(Options_.ReportPath.c_str());
  if (!Options_.ScreenshotPath.empty()) DeleteFileA(Options_.ScreenshotPath.c_str());
  if (!Start(First_)) return Record_;
  Record_.Started = true;
  Begin_ = GetTickCount();
  bool firstRunning = true;
  // Until the first start has ended, and the second one too.
  while ((firstRunning = WaitForSingleObject(First_.hProcess, 50) == WAIT_TIMEOUT) ||
         Second_.hProcess) {
    if (!firstRunning) Sleep(50);
    if (Elapsed() > Options_.TimeoutMs) {
      Record_.TimedOut = firstRunning;
      Record_.TimedOutSecond = Second_.hProcess != nullptr;
      break;
    }
    FollowSecondStart(firstRunning);
    LookForWindow();
    ReadBoxes();
    if (MainWindow_ && IsWindowVisible(MainWindow_)) WhileWindowShows();
    FollowSetupProgram();
    LookForHandOff();
    EachPass();
  }
  EndBootstrap();
  EndSetupProgram();
  Record_.Report = ReadWholeFile(Options_.ReportPath);
  return Record_;
}

bool SetupWatch::Start(PROCESS_INFORMATION& process) {
  std::wstring line = L"\"" + Program_ + L"\"";
  return CreateProcessW(Program_.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, Environment_.data(), nullptr, &Startup_,
                        &process) != FALSE;
}

void SetupWatch::StartAgain() {
  if (!Record_.SecondStarted) Record_.SecondStarted = Start(Second_);
}

// Notes when the second start ends, and how.
void SetupWatch::FollowSecondStart(bool firstRunning) {
  if (!Second_.hProcess || WaitForSingleObject(Second_.hProcess, 0) != WAIT_OBJECT_0) return;
  Record_.SecondEnded = true;
  Record_.SecondEndedFirst = firstRunning;
  GetExitCodeProcess(Second_.hProcess, &Record_.SecondExitCode);
  CloseHandle(Second_.hThread);
  CloseHandle(Second_.hProcess);
  Second_ = {};
}

void SetupWatch::LookForWindow() {
  if (MainWindow_) return;
  const std::vector<HWND> windows = WindowsOf(First_.dwProcessId, "FIRST_INSTALL");
  if (windows.empty()) return;
  MainWindow_ = windows.front();
  Record_.WindowSeen = true;
  Record_.Window = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(MainWindow_));
  GetWindowRect(MainWindow_, &Record_.WindowRect);
  Record_.WindowStyle = GetWindowLongA(MainWindow_, GWL_STYLE);
}

// Every box of either start not seen before: read, recorded and answered.
void SetupWatch::ReadBoxes() {
  std::vector<HWND> boxes = WindowsOf(First_.dwProcessId, "#32770");
  if (Second_.hProcess) {
    const std::vector<HWND> more = WindowsOf(Second_.dwProcessId, "#32770");
    boxes.insert(boxes.end(), more.begin(), more.end());
  }
  for (HWND box : boxes) {
    if (Answered_.count(box) || !IsWindowVisible(box)) continue;
    const SeenBox seen = ReadBox(box);
    Answered_.insert(box);
    OnBox(seen);
    Record_.Boxes.push_back(seen);
    if (Options_.AnswerBoxes) PressButton(box, seen.Answer);
  }
}

SeenBox SetupWatch::ReadBox(HWND box) {
  SeenBox seen;
  seen.Caption = WindowText(box);
  char text[2048] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  seen.Text = text;
  HWND owner = GetWindow(box, GW_OWNER);
  seen.Owned = owner != nullptr;
  seen.OwnedByMainWindow = owner && owner == MainWindow_;
  seen.Asks = GetDlgItem(box, IDNO) != nullptr;
  seen.Answer = Answer(seen);
  return seen;
}

// Finds the setup program, learns its command line and, once it has had its time, ends
// it and closes the bootstrap's window, as a setup program does when it is done.
void SetupWatch::FollowSetupProgram() {
  if (Options_.FindSetupProgram && !SetupProgram_ &&
      (SetupProgram_ = OpenChildProcess(First_.dwProcessId, SetupProgramName, &SetupProgramId_))) {
    Record_.SetupProgramFound = true;
    SetupProgramFoundAt_ = GetTickCount();
  }
  if (SetupProgram_) LearnHandOff(SetupProgram_, Program_, &Record_);
  if (!Options_.CloseSetupProgramAfterMs || !Record_.SetupProgramFound ||
      Record_.WindowClosedByWatcher ||
      GetTickCount() - SetupProgramFoundAt_ < Options_.CloseSetupProgramAfterMs)
    return;
  // The setup program first: while it runs, its file in the work directory cannot go.
  if (WaitForSingleObject(SetupProgram_, 0) == WAIT_TIMEOUT) {
    EndProcessGently(SetupProgram_, SetupProgramId_, 5000);
    Record_.SetupProgramEndedByWatcher = true;
  }
  if (MainWindow_ && IsWindow(MainWindow_)) PostMessageA(MainWindow_, WM_CLOSE, 0, 0);
  Record_.WindowClosedByWatcher = true;
}

// The hand-off: the bootstrap's window hidden while the setup program runs.
void SetupWatch::LookForHandOff() {
  if (!HandedOff_ && MainWindow_ && !IsWindowVisible(MainWindow_) &&
      (PathExists(Options_.ReportPath) ||
       (Record_.SetupProgramFound && (!Record_.HandOffLine.empty() ||
                                      GetTickCount() - SetupProgramFoundAt_ >= HandOffReadMs)))) {
    HandedOff_ = true;
    OnHandOff();
  }
}

// Both starts of SETUP.EXE ended, their exit codes kept.
void SetupWatch::EndBootstrap() {
  if (Record_.TimedOut) {
    TerminateProcess(First_.hProcess, 1);
    WaitForSingleObject(First_.hProcess, 10000);
  }
  GetExitCodeProcess(First_.hProcess, &Record_.ExitCode);
  CloseHandle(First_.hThread);
  CloseHandle(First_.hProcess);
  if (Second_.hProcess) {
    TerminateProcess(Second_.hProcess, 1);
    GetExitCodeProcess(Second_.hProcess, &Record_.SecondExitCode);
    CloseHandle(Second_.hThread);
    CloseHandle(Second_.hProcess);
  }
}

// The setup program ended, also one that closed the bootstrap at once, which is still
// found by its parent; and the demo setup program, which belongs to no process of ours,
// closed by its window.
void SetupWatch::EndSetupProgram() {
  if (Options_.FindSetupProgram && !SetupProgram_)
    SetupProgram_ = OpenChildProcess(First_.dwProcessId, SetupProgramName, &SetupProgramId_);
  if (SetupProgram_) {
    Record_.SetupProgramFound = true;
    LearnHandOff(SetupProgram_, Program_, &Record_);
    if (WaitForSingleObject(SetupProgram_, 0) == WAIT_TIMEOUT) {
      Record_.SetupProgramStillRanAtExit = true;
      EndProcessGently(SetupProgram_, SetupProgramId_, 10000);
    }
    CloseHandle(SetupProgram_);
  }
  if (HWND demo = FindWindowA("NUVIK_DEMO_SETUP", nullptr)) {
    Record_.SetupProgramStillRanAtExit = true;
    PostMessageA(demo, WM_CLOSE, 0, 0);
    for (int i = 0; i < 200 && IsWindow(demo); ++i)
      Sleep(50);
  }
}

SetupRunRecord RunSetup(const SetupRunOptions& options) {
  return SetupWatch(options).Run();
}

std::string ReportValue(const std::string& report, const char* name) {
  const std::string key = std::string(name) + ": ";
  size_t at = report.size();
  while (at > 0 && (at = report.rfind(key, at - 1)) != std::string::npos) {
    if (at == 0 || report[at - 1] == '\n') {
      const size_t begin = at + key.size();
      size_t end = report.find('\n', begin);
      if (end == std::string::npos) end = report.size();
      if (end > begin && report[end - 1] == '\r') --end; // written in text mode
      return report.substr(begin, end - begin);
    }
  }
  return "";
}
