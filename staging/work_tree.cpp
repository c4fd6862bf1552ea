#include "work_tree.h"

#include "message_pump.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr int DeleteAttempts = 10;
constexpr DWORD RetryDelayMs = 300;

// The attempts each deletion of the walk under way gets.
int Attempts;

bool IsFolder(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
         FILE_ATTRIBUTE_DIRECTORY;
}

// What a walk does with a name under the folder: a file, or a folder once what it holds
// has been seen (a linked folder without that). False marks the walk as failed.
using Visit = bool (*)(const char* path, DWORD attributes);

// Visits every name under the folder `path` of `length` characters, a backslash
// included, by paths relative to the current directory, which never moves.
bool Walk(char (&path)[MAX_PATH], size_t length, Visit visit) {
  std::strcpy(path + length, "*.*");
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return true;
  bool whole = true;
  do {
    const char* name = found.cFileName;
    if (name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]))) continue;
    const size_t end = length + std::strlen(name);
    if (end + sizeof "\\*.*" > sizeof path) {
      whole = false;
      continue;
    }
    std::strcpy(path + length, name);
    if (IsFolder(found.dwFileAttributes)) {
      path[end] = '\\';
      whole = Walk(path, end + 1, visit) && whole;
      path[end] = '\0';
    }
    whole = visit(path, found.dwFileAttributes) && whole;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return whole;
}

// A folder or a linked one goes as a folder; the system removes a link as a link.
bool Remove(const char* path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    RemoveDirectoryA(path);
  } else {
    for (int attempt = 0; attempt < Attempts && !DeleteFileA(path); ++attempt) {
      if (Attempts == 1) break;
      // The setup program may still hold a file for a moment after it closed the window.
      PumpPendingMessages();
      Sleep(RetryDelayMs);
    }
  }
  return true;
}

// A program file (.EXE, .DLL) is written only once no program runs from it.
bool Writable(const char* path, DWORD attributes) {
  const size_t length = std::strlen(path);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || length < 4) return true;
  DWORD suffix;
  std::memcpy(&suffix, path + length - 4, 4);
  suffix |= 0x20202000; // the letters in lower case, the dot kept
  if (suffix != 0x6578652E && suffix != 0x6C6C642E) return true; // ".exe", ".dll"
  // Opened without being changed, and closed at once.
  const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  CloseHandle(file);
  return true;
}

// Walks the folder `name` when it is one and no link; false when the name does not fit.
bool WalkFolder(const char* name, Visit visit) {
  char path[MAX_PATH];
  const size_t length = std::strlen(name);
  if (length + sizeof "\\*.*" > sizeof path) return false;
  if (!IsFolder(GetFileAttributesA(name))) return true;
  std::strcpy(path, name);
  path[length] = '\\';
  return Walk(path, length + 1, visit);
}

} // namespace

void RemoveFolder(const char* name, bool retry) {
  Attempts = retry ? DeleteAttempts : 1;
  WalkFolder(name, Remove);
  // Fails, changing nothing, on a file of that name.
  RemoveDirectoryA(name);
}

bool ProgramRunsFrom(const char* name) {
  return !WalkFolder(name, Writable);
}
