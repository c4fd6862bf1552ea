#include "staging_root.h"

#include "staging.h"

#include <direct.h>

#include <cstring>

namespace {

char UpperLetter(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool EnterStagingDrive() {
  const char drive = UpperLetter(StagingRoot[0]);
  if (drive < 'A' || drive > 'Z') return false;
  _chdrive(drive - 'A' + 1);
  char current[PathBufferSize];
  if (!_getcwd(current, sizeof current) || current[1] != ':') return false;
  return UpperLetter(current[0]) == drive;
}

bool EnterStagingRoot() {
  if (std::strlen(StagingRoot) == 2 && StagingRoot[1] == ':') {
    const char root[] = {StagingRoot[0], ':', '\\', '\0'};
    return _chdir(root) == 0;
  }
  return _chdir(StagingRoot) == 0;
}
