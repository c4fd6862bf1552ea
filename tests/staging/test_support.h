// What the staging tests share: message boxes answered and recorded, scratch directories and the
// steering of argument 0 and the temp path.
#pragma once

#include "iat_hook.h"
#include "test_archives.h"
#include "test_files.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The drives that the test runner maps before the program starts (SCRATCH_DRIVE, on a
// directory of the build tree; SMALL_DRIVE, on a small file system that can be filled),
// as "X:". Each program gets its own, since they may run side by side.
std::string ScratchDrive();
std::string SmallDrive();

struct RecordedBox {
  HWND Owner;
  std::string Text;
  std::string Caption;
  UINT Style;
};

// Every MessageBoxA of the program is recorded and answered with OK at once, so no
// test can wait on a box. Installed once by main.
void InstallBoxRecorder();
std::vector<RecordedBox>& RecordedBoxes();

void WriteWholeFile(const std::string& path, const std::string& bytes);
bool ReadWholeFile(const std::string& path, std::string* bytes);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Removes `path` with everything in it (read-only files too), then creates it empty.
void FreshDirectory(const std::string& path);
// Makes `link` a Unix symbolic link to the folder `target`, or with no target removes it
// (Wine starts Unix programs); whether it is there afterwards.
bool UnixLink(const std::string& link, const std::string& target);
// The current directory, valid until the next call.
const char* CurrentDirectory();

// GetCommandLineA answers `commandLine` for the lifetime of a scope.
class CommandLineOverride {
public:
  explicit CommandLineOverride(std::string commandLine);

private:
  ScopedImportHook Hook;
};

// Points argument 0 somewhere else for the lifetime of a scope: the command line then
// starts with `value` in quotes, or is empty when `value` is.
class ArgumentZeroOverride : public CommandLineOverride {
public:
  explicit ArgumentZeroOverride(const std::string& value)
      : CommandLineOverride(value.empty() ? value : "\"" + value + "\" 1 2") {}
};

// GetTempPathA answers `path` (as the system would, including the size rule) for the
// lifetime of a scope, and so does the GetTempPathW that the staging looks up (missing
// unless `wide`, as on the Windows 95 family); the Windows directory is
// `windowsDirectory`, by default WINDOWS on the scratch drive.
class TempPathOverride {
public:
  explicit TempPathOverride(std::string path, std::string windowsDirectory = "", bool wide = true);

private:
  ScopedImportHook Hook, WideHook, WindowsHook;
};
