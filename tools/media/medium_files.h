// The files of a medium beside the archive, named once, and how a medium's folder or
// image is searched for them: Windows finds them in any letter case.
#pragma once

#include <filesystem>

#include "format/rules.h"

// The bootstrap, on the medium and where it is installed.
inline constexpr char BootstrapFileName[] = "SETUP.EXE";
inline constexpr char AutorunFileName[] = "AUTORUN.INF";

// Whether `path`'s last name is `name` (upper case), letters compared without case.
inline bool IsNamed(const std::filesystem::path& path, const char* name) {
  const std::string given = path.filename().string();
  size_t i = 0;
  for (; i < given.size() && name[i]; ++i) {
    if (UpperAscii(given[i]) != name[i]) return false;
  }
  return i == given.size() && !name[i];
}
