// Runs the real SETUP.EXE as a separate process and watches it from outside as a
// user would see it: the message boxes it shows (read and answered like a user does),
// its main window, its exit code, and what the demo setup program reports.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SeenBox {
  std::string Caption;
  std::string Text;
  bool OwnedByMainWindow = false;
  bool Owned = false;
  int Answer = 0;
};

struct SetupRunRecord;

struct SetupRunOptions {
  std::string SetupPath; // the SETUP.EXE to start, as argument 0
  std::string TempPath;  // the temporary directory it is given (TMP and TEMP)
  // In place of the two above, for paths the ANSI code page cannot name: the program is
  // started by its wide path, as Explorer does.
  std::wstring WideSetupPath, WideTempPath;
  std::string ReportPath;          // where the demo setup program writes what it received
  std::string ScreenshotPath;      // where it saves the screen on arrival; empty: none
  int DemoSeconds = 3;             // the demo setup program finishes after this long (time to spare
                                   // for the bootstrap to hide its window on a loaded machine);
                                   // 0: it waits for its Finish button
  bool AnswerBoxes = true;         // false: the boxes are only read; a user at the screen answers
  std::vector<int> Answers;        // for the boxes in turn (IDOK, IDYES, IDNO); then No or OK
  bool CloseWhenHandedOff = false; // post WM_CLOSE once the setup program runs
  // Starts the same SETUP.EXE a second time, this long after the first (and not before its
  // window is up), the way a user double-clicks again; 0: one start only.
  DWORD SecondStartAfterMs = 0;
  void (*SecondStartEnded)() = nullptr; // called as soon as the second start has ended
  // Ends the setup program at once when it has taken over, as a crash would, leaving the
  // bootstrap's window open, then starts SETUP.EXE a second time.
  bool AbandonSetupProgram = false;
  DWORD TimeoutMs = 120000;
  // Called while SETUP.EXE waits: on each box before it is answered, and once when the
  // setup program has taken over, so that a test can see the files as they are then.
  std::function<void(const SeenBox&)> OnBox;
  std::function<void(const SetupRunRecord&)> OnHandOff;
  // Looks for the setup program's own process (N_SETUP.EXE, started by SETUP.EXE) for the
  // command line it received, also when it is not the demo setup program and writes no report.
  bool FindSetupProgram = false;
  // Once the setup program found so has run this long, ends it and closes the bootstrap's
  // window, as a setup program does when it is done; 0: that is left to the setup program.
  DWORD CloseSetupProgramAfterMs = 0;
  // Called on each pass while the bootstrap's main window is visible.
  std::function<void()> WhileWindowShows;
};

struct SetupRunRecord {
  bool Started = false;
  bool TimedOut = false;
  DWORD ExitCode = 0;
  std::vector<SeenBox> Boxes;
  bool WindowSeen = false;
  unsigned long Window = 0;
  RECT WindowRect{};
  LONG WindowStyle = 0;
  bool SetupProgramStillRanAtExit = false; // with CloseWhenHandedOff
  bool SecondStarted = false;
  bool SecondEndedFirst = false; // the second start ended while the first still ran
  bool TimedOutSecond = false;
  DWORD SecondExitCode = 0;
  std::string Report;             // the demo setup program's report file
  bool SetupProgramFound = false; // with FindSetupProgram: its process was seen
  std::string HandOffLine;        // the setup program's command line, UTF-8; empty: unknown
  std::string HandOffUnknownWhy;  // why a setup program found has no known command line
  std::string SetupProgramPath;   // its program file, UTF-8; empty: unknown
  bool SetupProgramEndedByWatcher = false;
  bool WindowClosedByWatcher = false;
};

SetupRunRecord RunSetup(const SetupRunOptions& options);

// The last value of "name: " in the report, up to the end of its line; empty if absent.
std::string ReportValue(const std::string& report, const char* name);

// Wine hands Unix paths on as they are; the Windows side wants them on drive Z:.
std::string WindowsPath(std::string path);

std::string UpperCased(std::string text);
std::wstring Wide(const std::string& text); // from the ANSI code page
// The short form of an existing path, in the ANSI code page.
std::string ShortPath(const std::wstring& path);
bool PathExists(const std::string& path);
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
