// A medium tried under Wine, before it is burned: its SETUP.EXE run by the watcher in a
// fresh copy of the prepared Wine prefix, boxed in the run's own folder, on a virtual
// screen or on the user's own.
#pragma once

#include <filesystem>
#include <string>

#include "try_record.h"

struct TrySettings {
  std::filesystem::path Medium;  // a medium folder, its SETUP.EXE, a CD image or a floppy image
  std::filesystem::path Watcher; // setup_watch.exe
  TryTarget Target;
  int TimeoutSeconds = 120;
  // On the user's $DISPLAY: the boxes and the setup program are left to the user.
  // Otherwise on a virtual screen, unattended.
  bool Attended = false;
  bool Keep = false;                // the prefix and the watcher's output stay
  bool NoCache = false;             // a prefix made for this run alone, not copied
  std::filesystem::path Screenshot; // where the splash goes (.bmp); empty: nowhere
};

struct TryOutcome {
  TryRecord Record;
  std::filesystem::path KeptFolder; // with Keep: the prefix and the watcher's output
};

// Why `drs try` cannot run here (Wine or the virtual screen missing), with how to
// install what is missing; empty when it can.
std::string MissingForTry(bool attended);

// Runs the medium once. Throws std::runtime_error with the reason when it cannot be run
// (no SETUP.EXE, an image that cannot be read, Wine failing before the watcher ran);
// what SETUP.EXE itself did, failures included, is in the record.
TryOutcome TryMedium(const TrySettings& settings);
