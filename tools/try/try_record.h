// What one run of a medium under Wine showed and did, as the watcher (setup_watch.exe)
// recorded it, and how `drs try` tells it: one report for one run, one table for many.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TryBox {
  std::string Owner; // "none", "splash" or "other window"
  std::string Caption;
  std::string Text; // line ends as "\n" (two characters)
};

struct TryFile {
  std::string Path; // under the work directory, Windows separators
  uint64_t Size = 0;
  bool Folder = false;
};

struct TryRecord {
  int AnsiCodePage = 0;
  int OemCodePage = 0;
  std::string WindowsVersion; // "4.10", as GetVersionEx says
  bool NtFamily = false;
  int ScreenWidth = 0, ScreenHeight = 0;
  std::string WorkDirectory;
  std::string WorkDirectoryUnknown; // why the work directory is not known; empty: it is
  bool Started = false;
  bool WindowSeen = false;
  int WindowWidth = 0, WindowHeight = 0;
  std::vector<TryBox> Boxes;
  std::vector<TryFile> Staged;
  bool HandedOff = false; // the setup program was started
  std::string HandOffLine;
  std::string HandOffUnknown;  // why its command line could not be learnt; empty: it was
  std::string SetupProgramEnd; // "ended by itself", "ended by the watcher", ...
  std::string WindowClosedBy;  // "the setup program" or "the watcher"
  std::string ExitCode;        // hexadecimal; empty when it never started
  bool TimedOut = false;
  bool WorkDirectoryLeft = false;
  bool SplashImage = false;
};

// The record from the watcher's watch.txt; unknown lines are passed over.
TryRecord ParseTryRecord(const std::string& text);

// What was asked for one run.
struct TryTarget {
  std::string Windows; // "95", "98", "nt4", "10"
  int CodePage = 1252;
};

// The Windows version and family GetVersionEx reports under each name, as "4.10 95".
std::string ExpectedVersion(const std::string& windows);

// The report of one run, several lines, ending in a line break.
std::string DescribeRun(const TryTarget& target, const TryRecord& record);

// One line for each run and, beneath, each distinct box the runs showed, numbered as the
// table refers to them.
std::string RunTable(const std::vector<std::pair<TryTarget, TryRecord>>& runs);
