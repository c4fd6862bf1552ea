#include "staging.h"
#include "staging_root.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr int DeleteAttempts = 10;
constexpr DWORD RetryDelayMs = 300;

// The setup program may still hold a file for a moment after it closed the window.
void DeleteWithRetries(const char* path) {
  for (int attempt = 0; attempt < DeleteAttempts; ++attempt) {
    if (DeleteFileA(path)) return;
    PumpPendingMessages();
    Sleep(RetryDelayMs);
  }
}

// Deletes what lies under `prefix` ("" for the work directory itself, else a relative
// path ending in a backslash) by relative paths, so the current directory never moves
// and nothing outside the work directory can be reached. Names beginning with "." stay.
void EmptyDirectory(const char* prefix) {
  const size_t prefixLength = std::strlen(prefix);
  char path[MAX_PATH];
  if (prefixLength + sizeof "*.*" > sizeof path) return;
  std::strcpy(path, prefix);
  std::strcpy(path + prefixLength, "*.*");
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.cFileName[0] == '.') continue;
    const size_t nameLength = std::strlen(found.cFileName);
    if (prefixLength + nameLength + sizeof "\\" > sizeof path) continue;
    std::strcpy(path + prefixLength, found.cFileName);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteWithRetries(path);
      continue;
    }
    // A linked directory is removed as a link; what it points to is not ours.
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      std::strcpy(path + prefixLength + nameLength, "\\");
      EmptyDirectory(path);
      path[prefixLength + nameLength] = '\0';
    }
    RemoveDirectoryA(path);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

} // namespace

void CleanWorkDir() {
  EnterStagingDrive();
  // Where the work directory cannot be reached, nothing else is deleted in its place.
  if (!EnterStagingRoot() || !SetCurrentDirectoryA(WorkDirName)) return;
  EmptyDirectory("");
  SetCurrentDirectoryA("..");
  RemoveDirectoryA(WorkDirName);
  char workDir[PathBufferSize];
  if (WorkDirPath(StagingRoot, nullptr, workDir, sizeof workDir)) RemoveDirectoryA(workDir);
}
