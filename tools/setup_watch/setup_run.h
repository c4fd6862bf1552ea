// Runs the real SETUP.EXE as a separate process and watches it from outside as a
// user would see it: the message boxes it shows (read and answered like a user does),
// its main window, its exit code, and what the demo setup program reports.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

struct SeenBox {
  std::string Caption;
  std::string Text;
  bool OwnedByMainWindow = false;
  bool Owned = false;
  bool Asks = false; // it has a No button
  int Answer = 0;
};

struct SetupRunOptions {
  std::string SetupPath; // the SETUP.EXE to start, as argument 0
  std::string TempPath;  // the temporary directory it is given (TMP and TEMP)
  // In place of the two above, for paths the ANSI code page cannot name: the program is
  // started by its wide path, as Explorer does.
  std::wstring WideSetupPath, WideTempPath;
  std::string ReportPath;     // where the demo setup program writes what it received
  std::string ScreenshotPath; // where it saves the screen on arrival; empty: none
  int DemoSeconds = 3;        // the demo setup program finishes after this long (time to spare
                              // for the bootstrap to hide its window on a loaded machine);
                              // 0: it waits for its Finish button
  bool AnswerBoxes = true;    // false: the boxes are only read; a user at the screen answers
  DWORD TimeoutMs = 120000;
  // Looks for the setup program's own process (N_SETUP.EXE, started by SETUP.EXE) for the
  // command line it received, also when it is not the demo setup program and writes no report.
  bool FindSetupProgram = false;
  // Once the setup program found so has run this long, ends it and closes the bootstrap's
  // window, as a setup program does when it is done; 0: that is left to the setup program.
  DWORD CloseSetupProgramAfterMs = 0;
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
  bool SetupProgramStillRanAtExit = false; // when the bootstrap ended
  bool SecondStarted = false;              // by StartAgain
  bool SecondEnded = false;
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

// One run of SETUP.EXE watched from outside, a step per concern on each pass: the second
// start, the main window, the boxes, the setup program and the hand-off; then the
// clean-up of what still runs. A watcher with more to do on the way derives and adds it
// in the calls made while SETUP.EXE waits.
class SetupWatch {
public:
  explicit SetupWatch(const SetupRunOptions& options);
  virtual ~SetupWatch();
  SetupRunRecord Run();

protected:
  virtual void EachPass() {}
  // On each box, before it is answered.
  virtual void OnBox(const SeenBox&) {}
  // The button a box is answered with: No when it asks, else OK; nothing unattended
  // should log anyone off.
  virtual int Answer(const SeenBox& box) { return box.Asks ? IDNO : IDOK; }
  // Once, when the setup program has taken over: the files as they are then.
  virtual void OnHandOff() {}
  // On each pass while the bootstrap's main window is visible.
  virtual void WhileWindowShows() {}

  // Starts the same SETUP.EXE once more, the way a user double-clicks again; its boxes
  // are read and its end is waited for like the first's.
  void StartAgain();
  const SetupRunRecord& Record() const { return Record_; }
  HWND MainWindow() const { return MainWindow_; }
  bool HandedOff() const { return HandedOff_; }
  DWORD Elapsed() const { return GetTickCount() - Begin_; }

private:
  bool Start(PROCESS_INFORMATION& process);
  void FollowSecondStart(bool firstRunning);
  void LookForWindow();
  void ReadBoxes();
  SeenBox ReadBox(HWND box);
  void FollowSetupProgram();
  void LookForHandOff();
  void EndBootstrap();
  void EndSetupProgram();

  const SetupRunOptions Options_;
  SetupRunRecord Record_;
  std::wstring Environment_;
  const std::wstring Program_;
  STARTUPINFOW Startup_{};
  PROCESS_INFORMATION First_{};
  PROCESS_INFORMATION Second_{};
  DWORD Begin_ = 0;
  HWND MainWindow_ = nullptr;
  std::set<HWND> Answered_;
  HANDLE SetupProgram_ = nullptr;
  DWORD SetupProgramId_ = 0;
  DWORD SetupProgramFoundAt_ = 0;
  bool HandedOff_ = false;
};

// A run with nothing added on the way.
SetupRunRecord RunSetup(const SetupRunOptions& options);

// The last value of "name: " in the report, up to the end of its line; empty if absent.
std::string ReportValue(const std::string& report, const char* name);
