// A file opened by its path as this system names it: on Windows through the wide name,
// so that a name outside the ANSI code page opens too.
#pragma once

#include <cstdio>
#include <filesystem>

// `mode` is one of fopen's, such as "rb" or "wb".
inline std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  wchar_t wideMode[4] = {};
  for (int i = 0; i < 3 && mode[i]; ++i)
    wideMode[i] = static_cast<wchar_t>(mode[i]);
  return _wfopen(path.c_str(), wideMode);
#else
  return std::fopen(path.c_str(), mode);
#endif
}
