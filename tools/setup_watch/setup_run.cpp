#include "setup_run.h"

#include "format/rules.h"
#include "linux_command_line.h"
#include "setup_process.h"

#include <cstdio>
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

// Ends the demo setup program as a crash would: its window stays unclosed.
void AbandonDemoSetupProgram() {
  DWORD processId = 0;
  GetWindowThreadProcessId(FindWindowA("NUVIK_DEMO_SETUP", nullptr), &processId);
  if (HANDLE demo = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId)) {
    TerminateProcess(demo, 1);
    WaitForSingleObject(demo, 10000);
    CloseHandle(demo);
  }
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

SetupRunRecord RunSetup(const SetupRunOptions& options) {
  SetupRunRecord record;
  DeleteFileA(options.ReportPath.c_str());
  if (!options.ScreenshotPath.empty()) DeleteFileA(options.ScreenshotPath.c_str());
  std::wstring environment = ChildEnvironment(options);
  const std::wstring program =
      options.WideSetupPath.empty() ? Wide(options.SetupPath) : options.WideSetupPath;
  const std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  auto start = [&](PROCESS_INFORMATION& process) {
    std::wstring line = commandLine;
    return CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                          &process) != FALSE;
  };
  PROCESS_INFORMATION process{};
  if (!start(process)) return record;
  record.Started = true;

  std::set<HWND> answered;
  size_t nextAnswer = 0;
  HWND mainWindow = nullptr;
  bool closePosted = false;
  bool handedOff = false;
  PROCESS_INFORMATION second{};
  DWORD setupProgramId = 0;
  HANDLE setupProgram = nullptr;
  DWORD setupProgramFoundAt = 0;
  const DWORD begin = GetTickCount();
  bool firstRunning = true;
  // Until the first start has ended, and the second one too.
  while ((firstRunning = WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) ||
         second.hProcess) {
    if (!firstRunning) Sleep(50);
    if (GetTickCount() - begin > options.TimeoutMs) {
      record.TimedOut = firstRunning;
      record.TimedOutSecond = second.hProcess != nullptr;
      break;
    }
    if (!record.SecondStarted && ((options.SecondStartAfterMs && mainWindow &&
                                   GetTickCount() - begin >= options.SecondStartAfterMs) ||
                                  (options.AbandonSetupProgram && handedOff))) {
      if (options.AbandonSetupProgram) AbandonDemoSetupProgram();
      record.SecondStarted = start(second);
    }
    if (second.hProcess && WaitForSingleObject(second.hProcess, 0) == WAIT_OBJECT_0) {
      record.SecondEndedFirst = firstRunning;
      GetExitCodeProcess(second.hProcess, &record.SecondExitCode);
      CloseHandle(second.hThread);
      CloseHandle(second.hProcess);
      second = {};
      if (options.SecondStartEnded) options.SecondStartEnded();
    }
    if (!mainWindow) {
      const std::vector<HWND> windows = WindowsOf(process.dwProcessId, "FIRST_INSTALL");
      if (!windows.empty()) {
        mainWindow = windows.front();
        record.WindowSeen = true;
        record.Window = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(mainWindow));
        GetWindowRect(mainWindow, &record.WindowRect);
        record.WindowStyle = GetWindowLongA(mainWindow, GWL_STYLE);
      }
    }
    std::vector<HWND> boxes = WindowsOf(process.dwProcessId, "#32770");
    if (second.hProcess) {
      const std::vector<HWND> more = WindowsOf(second.dwProcessId, "#32770");
      boxes.insert(boxes.end(), more.begin(), more.end());
    }
    for (HWND box : boxes) {
      if (answered.count(box) || !IsWindowVisible(box)) continue;
      SeenBox seen;
      seen.Caption = WindowText(box);
      char text[2048] = "";
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      seen.Text = text;
      HWND owner = GetWindow(box, GW_OWNER);
      seen.Owned = owner != nullptr;
      seen.OwnedByMainWindow = owner && owner == mainWindow;
      // Past the script, a question gets No: nothing unattended should log anyone off.
      const int fallback = GetDlgItem(box, IDNO) ? IDNO : IDOK;
      seen.Answer = nextAnswer < options.Answers.size() ? options.Answers[nextAnswer++] : fallback;
      answered.insert(box);
      if (options.OnBox) options.OnBox(seen);
      record.Boxes.push_back(seen);
      if (options.AnswerBoxes) PressButton(box, seen.Answer);
    }
    if (mainWindow && options.WhileWindowShows && IsWindowVisible(mainWindow))
      options.WhileWindowShows();
    if (options.FindSetupProgram && !setupProgram &&
        (setupProgram = OpenChildProcess(process.dwProcessId, SetupProgramName, &setupProgramId))) {
      record.SetupProgramFound = true;
      setupProgramFoundAt = GetTickCount();
    }
    if (setupProgram) LearnHandOff(setupProgram, program, &record);
    if (options.CloseSetupProgramAfterMs && record.SetupProgramFound &&
        !record.WindowClosedByWatcher &&
        GetTickCount() - setupProgramFoundAt >= options.CloseSetupProgramAfterMs) {
      // The setup program first: while it runs, its file in the work directory cannot go.
      if (WaitForSingleObject(setupProgram, 0) == WAIT_TIMEOUT) {
        EndProcessGently(setupProgram, setupProgramId, 5000);
        record.SetupProgramEndedByWatcher = true;
      }
      if (mainWindow && IsWindow(mainWindow)) PostMessageA(mainWindow, WM_CLOSE, 0, 0);
      record.WindowClosedByWatcher = true;
    }
    if (!handedOff && mainWindow && !IsWindowVisible(mainWindow) &&
        (PathExists(options.ReportPath) ||
         (record.SetupProgramFound && (!record.HandOffLine.empty() ||
                                       GetTickCount() - setupProgramFoundAt >= HandOffReadMs)))) {
      handedOff = true;
      if (options.OnHandOff) options.OnHandOff(record);
    }
    if (options.CloseWhenHandedOff && !closePosted && handedOff) {
      PostMessageA(mainWindow, WM_CLOSE, 0, 0);
      closePosted = true;
    }
  }
  if (record.TimedOut) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 10000);
  }
  GetExitCodeProcess(process.hProcess, &record.ExitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (second.hProcess) {
    TerminateProcess(second.hProcess, 1);
    GetExitCodeProcess(second.hProcess, &record.SecondExitCode);
    CloseHandle(second.hThread);
    CloseHandle(second.hProcess);
  }

  // A setup program that closed the bootstrap at once is still found, by its parent.
  if (options.FindSetupProgram && !setupProgram)
    setupProgram = OpenChildProcess(process.dwProcessId, SetupProgramName, &setupProgramId);
  if (setupProgram) {
    record.SetupProgramFound = true;
    LearnHandOff(setupProgram, program, &record);
    if (WaitForSingleObject(setupProgram, 0) == WAIT_TIMEOUT) {
      record.SetupProgramStillRanAtExit = true;
      EndProcessGently(setupProgram, setupProgramId, 10000);
    }
    CloseHandle(setupProgram);
  }
  // The demo setup program belongs to no process of ours; find it by its window.
  if (HWND demo = FindWindowA("NUVIK_DEMO_SETUP", nullptr)) {
    record.SetupProgramStillRanAtExit = true;
    PostMessageA(demo, WM_CLOSE, 0, 0);
    for (int i = 0; i < 200 && IsWindow(demo); ++i)
      Sleep(50);
  }
  record.Report = ReadWholeFile(options.ReportPath);
  return record;
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

std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string UpperCased(std::string text) {
  for (char& c : text)
    c = UpperAscii(c);
  return text;
}

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(
      MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size())) -
      1);
  return wide;
}

std::string ShortPath(const std::wstring& path) {
  wchar_t shortPath[MAX_PATH] = L"";
  GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  char ansi[MAX_PATH] = "";
  WideCharToMultiByte(CP_ACP, 0, shortPath, -1, ansi, MAX_PATH, nullptr, nullptr);
  return ansi;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char block[4096];
    size_t count;
    while ((count = std::fread(block, 1, sizeof block, file)) > 0)
      bytes.append(block, count);
    std::fclose(file);
  }
  return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}
