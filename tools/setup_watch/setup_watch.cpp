// Runs SETUP.EXE once and records what a user would have seen and what happened: the
// system it ran on, the boxes it showed, its splash, the files it staged, the command
// line the setup program received, how the bootstrap ended and whether the work
// directory was removed. `drs try` runs it under Wine and tells the record; `make demo`
// and the tests run it through `drs try`.
//   setup_watch SETUP.EXE OUTPUT_DIR [--attended] [--timeout SECONDS]
// OUTPUT_DIR receives the record (watch.txt, UTF-8 lines "key: value") and the splash
// (splash.bmp). Unattended, every box is answered (No when it asks, else OK) and a setup
// program that does not finish by itself is ended after a few seconds; --attended leaves
// the boxes and the setup program to the user at the screen.
#include "screenshot.h"
#include "setup_process.h"
#include "setup_run.h"
#include "windows_files.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// How long an unattended setup program runs before it is ended. The demo setup program
// finishes by itself well before.
constexpr DWORD SetupProgramGraceMs = 8000;
constexpr DWORD ScreenshotEveryMs = 250;

// A text on one record line: line ends and tabs written as \n and blanks.
std::string OneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r')
      line += "\\n";
    else
      line += text[i] == '\t' ? ' ' : text[i];
  }
  return line;
}

// Every file under `folder`, with its size, as record lines.
void ListFiles(const std::string& folder, const std::string& relative, std::string* lines) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = relative.empty() ? name : relative + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      *lines += "staged folder: " + AnsiToUtf8(path) + "\n";
      ListFiles(folder + "\\" + name, path, lines);
    } else {
      const unsigned long long size =
          (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      *lines += "staged: " + std::to_string(size) + "\t" + AnsiToUtf8(path) + "\n";
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// The folder of a program file given in UTF-8, in the ANSI code page for the calls that
// list it.
std::string FolderOf(const std::string& program) {
  const size_t slash = program.rfind('\\');
  const std::string folder = slash == std::string::npos ? "" : program.substr(0, slash);
  std::wstring wide(folder.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, folder.c_str(), -1, wide.data(),
                                                      static_cast<int>(wide.size()))) -
              1);
  std::string ansi(wide.size() * 2 + 1, '\0');
  ansi.resize(
      static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(),
                                              static_cast<int>(ansi.size()), nullptr, nullptr)) -
      1);
  return ansi;
}

// The work directory: the folder of the program the hand-off starts or, where the
// command line could not be learnt, of the setup program's file; empty: unknown.
std::string WorkDirectoryOf(const SetupRunRecord& run) {
  if (!run.HandOffLine.empty())
    return FolderOf(run.HandOffLine.substr(0, run.HandOffLine.find(' ')));
  return run.SetupProgramPath.empty() ? "" : FolderOf(run.SetupProgramPath);
}

const char* OwnerName(const SeenBox& box) {
  return box.OwnedByMainWindow ? "splash" : box.Owned ? "other window" : "none";
}

// The system the run is on, as SETUP.EXE sees it.
std::string SystemLines() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  return "code pages: " + std::to_string(GetACP()) + " " + std::to_string(GetOEMCP()) + "\n" +
         "windows: " + std::to_string(version.dwMajorVersion) + "." +
         std::to_string(version.dwMinorVersion) + " " +
         (version.dwPlatformId == VER_PLATFORM_WIN32_NT ? "nt" : "95") + "\n" +
         "screen: " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " +
         std::to_string(GetSystemMetrics(SM_CYSCREEN)) + "\n";
}

// What the user saw: the window and the boxes.
std::string SeenLines(const SetupRunRecord& run) {
  std::string lines = std::string("started: ") + (run.Started ? "yes" : "no") + "\n";
  if (run.WindowSeen)
    lines += "window: " + std::to_string(run.WindowRect.right - run.WindowRect.left) + " " +
             std::to_string(run.WindowRect.bottom - run.WindowRect.top) + "\n";
  for (const SeenBox& box : run.Boxes)
    lines += std::string("box: ") + OwnerName(box) + "\t" + OneLine(AnsiToUtf8(box.Caption)) +
             "\t" + OneLine(AnsiToUtf8(box.Text)) + "\n";
  return lines;
}

// The hand-off and how the setup program and the bootstrap's window ended.
std::string SetupProgramLines(const SetupRunRecord& run) {
  if (!run.SetupProgramFound) return "";
  std::string lines = run.HandOffLine.empty() ? "hand-off unknown: " + run.HandOffUnknownWhy + "\n"
                                              : "hand-off: " + OneLine(run.HandOffLine) + "\n";
  lines += std::string("setup program: ") +
           (run.SetupProgramEndedByWatcher   ? "ended by the watcher"
            : run.SetupProgramStillRanAtExit ? "still ran when the bootstrap ended"
                                             : "ended by itself") +
           "\n";
  lines += std::string("bootstrap window closed by: ") +
           (run.WindowClosedByWatcher ? "the watcher" : "the setup program") + "\n";
  return lines;
}

std::string SystemTempPath() {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  return temp;
}

// Unattended, the boxes are answered and the setup program is ended after its time;
// attended, both are left to the user at the screen.
SetupRunOptions WatchOptions(const std::string& setup, const std::string& output, bool attended,
                             DWORD timeoutMs) {
  SetupRunOptions options;
  options.TimeoutMs = timeoutMs;
  options.SetupPath = setup;
  options.TempPath = SystemTempPath();
  options.ReportPath = output + "\\report.txt";
  // The demo setup program saves the screen on arrival, when the splash is surely painted.
  options.ScreenshotPath = output + "\\splash.bmp";
  options.DemoSeconds = attended ? 0 : 3;
  options.AnswerBoxes = !attended;
  options.FindSetupProgram = true;
  options.CloseSetupProgramAfterMs = attended ? 0 : SetupProgramGraceMs;
  return options;
}

// One watched run: the screenshots and the staged files taken while it goes, and the
// record made of them.
class Watch : public SetupWatch {
public:
  Watch(const std::string& setup, const std::string& output, bool attended, DWORD timeoutMs)
      : SetupWatch(WatchOptions(setup, output, attended, timeoutMs)), Output_(output),
        Splash_(output + "\\splash.bmp"), OwnShot_(output + "\\watch.bmp") {
    // Where SETUP.EXE stages first; the hand-off names where it did.
    WorkDir_ = UpperCased(SystemTempPath());
    if (!WorkDir_.empty() && WorkDir_.back() == '\\') WorkDir_.pop_back();
    WorkDir_ += "\\N80_INST";
  }

  // The exit code: 0 once SETUP.EXE was started and the record written.
  int WatchAndRecord() {
    std::string record = SystemLines();
    DeleteFileA(OwnShot_.c_str());
    const SetupRunRecord run = Run();
    record += SeenLines(run) + WorkDirectoryLines(run) + SetupProgramLines(run);
    if (run.Started) {
      char code[16];
      std::snprintf(code, sizeof code, "%lX", run.ExitCode);
      record += std::string("exit code: ") + code + (run.TimedOut ? " timed out" : "") + "\n";
    }
    if (WorkDirKnown_)
      record += std::string("work directory left: ") + (PathExists(WorkDir_) ? "yes" : "no") + "\n";
    if (!PathExists(Splash_) && Shot_) MoveFileA(OwnShot_.c_str(), Splash_.c_str());
    DeleteFileA(OwnShot_.c_str());
    if (PathExists(Splash_)) record += "splash image: splash.bmp\n";
    if (!WriteWholeFile(Output_ + "\\watch.txt", record)) {
      std::fprintf(stderr, "setup_watch: cannot write %s\\watch.txt\n", Output_.c_str());
      return 1;
    }
    return run.Started ? 0 : 1;
  }

private:
  void WhileWindowShows() override {
    if (Shot_ && GetTickCount() - LastShot_ < ScreenshotEveryMs) return;
    Shot_ = SaveScreenshot(OwnShot_.c_str()) || Shot_;
    LastShot_ = GetTickCount();
  }

  // The files staged, listed at the hand-off, while the setup program has them.
  void OnHandOff() override {
    const std::string named = WorkDirectoryOf(Record());
    if (named.empty()) return;
    ListFiles(named, "", &Staged_);
    StagedListed_ = true;
  }

  // Where SETUP.EXE staged, and what it left there.
  std::string WorkDirectoryLines(const SetupRunRecord& run) {
    const std::string named = WorkDirectoryOf(run);
    if (!named.empty()) {
      WorkDir_ = named;
      if (!StagedListed_) ListFiles(WorkDir_, "", &Staged_);
    } else if (!run.SetupProgramFound) {
      // Without a hand-off, what the failed run left behind.
      ListFiles(WorkDir_, "", &Staged_);
    }
    WorkDirKnown_ = !named.empty() || !run.SetupProgramFound;
    if (!WorkDirKnown_)
      return "work directory unknown: neither the hand-off nor the setup program's file could "
             "be learnt\n" +
             Staged_;
    return "work directory: " + AnsiToUtf8(WorkDir_) + "\n" + Staged_;
  }

  const std::string Output_;
  const std::string Splash_;
  const std::string OwnShot_;
  std::string WorkDir_;
  DWORD LastShot_ = 0;
  bool Shot_ = false;
  std::string Staged_;
  bool StagedListed_ = false;
  bool WorkDirKnown_ = false;
};

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: setup_watch SETUP.EXE OUTPUT_DIR [--attended] [--timeout S]\n");
    return 2;
  }
  bool attended = false;
  DWORD timeoutMs = SetupRunOptions().TimeoutMs;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--attended") == 0) {
      attended = true;
    } else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      timeoutMs = static_cast<DWORD>(std::atoi(argv[++i])) * 1000u;
    } else {
      std::fprintf(stderr, "setup_watch: %s is not understood\n", argv[i]);
      return 2;
    }
  }
  CreateDirectoryA(argv[2], nullptr);
  return Watch(argv[1], argv[2], attended, timeoutMs).WatchAndRecord();
}
