#include "staging_root.h"

#include "format/rules.h"
#include "staging.h"

#include <windows.h>

#include <cstring>

bool EnterStagingDrive() {
  const char drive = UpperAscii(StagingRoot[0]);
  if (drive < 'A' || drive > 'Z') return false;
  // "C:" alone names the drive's own current directory.
  const char driveOnly[] = {drive, ':', '\0'};
  SetCurrentDirectoryA(driveOnly);
  char current[PathBufferSize];
  const DWORD length = GetCurrentDirectoryA(sizeof current, current);
  if (length == 0 || length >= sizeof current || current[1] != ':') return false;
  return UpperAscii(current[0]) == drive;
}

bool EnterStagingRoot() {
  if (std::strlen(StagingRoot) == 2 && StagingRoot[1] == ':') {
    const char root[] = {StagingRoot[0], ':', '\\', '\0'};
    return SetCurrentDirectoryA(root) != FALSE;
  }
  return SetCurrentDirectoryA(StagingRoot) != FALSE;
}
