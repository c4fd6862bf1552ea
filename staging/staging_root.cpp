#include "staging_root.h"

#include "ansi_path.h"
#include "lead_byte.h"
#include "staging.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr DWORD TempPathLimit = PathBufferSize - 1;
// The extraction comes back to the work directory by a saved copy of at most 253
// characters, so a longer staging root would leave it unable to find its way back.
constexpr size_t MaxStagingRootLength = 253 - 1 - (sizeof WorkDirName - 1);
constexpr char TempFolder[] = "\\TEMP";

enum RootCandidate { TempPathAsGiven, TempPathShort, WindowsTemp, CandidateCount };

// Upper-cases the letters a to z in place, passing over the trail byte of every
// double-byte character so that a Korean path keeps its meaning, and then removes one
// trailing backslash, never the second byte of a double-byte character.
void NormaliseTempPath(char* path) {
  UpperCaseAscii(path, IsLeadByte);
  char* lastCharacter = nullptr;
  for (char* p = path; *p; p += IsLeadByte(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1)
    lastCharacter = p;
  if (lastCharacter && *lastCharacter == '\\') *lastCharacter = '\0';
}

// A candidate in StagingRoot's form; false when there is none or it is not plain or
// too long, since the hand-off line names the setup program by it.
bool CandidateRoot(int candidate, char (&root)[PathBufferSize]) {
  DWORD length;
  switch (candidate) {
  case TempPathAsGiven:
    length = GetTempPathA(TempPathLimit, root);
    break;
  case TempPathShort:
    length = TempPathShortForm(root) ? 1 : 0;
    break;
  default:
    length = GetWindowsDirectoryA(root, TempPathLimit - sizeof TempFolder);
    if (length == 0 || length >= TempPathLimit - sizeof TempFolder) return false;
    NormaliseTempPath(root);
    std::strcat(root, TempFolder);
    break;
  }
  if (length == 0 || length >= TempPathLimit) return false;
  NormaliseTempPath(root);
  return IsPlainPath(root) && std::strlen(root) <= MaxStagingRootLength;
}

} // namespace

bool EnterWorkDir() {
  for (int candidate = 0; candidate < CandidateCount; ++candidate) {
    if (!CandidateRoot(candidate, StagingRoot)) continue;
    // A temporary folder the system names but lacks is not made: it may be gone on
    // purpose. The Windows directory's own is the last resort.
    if (candidate == WindowsTemp) CreateDirectoryA(StagingRoot, nullptr);
    if (!EnterStagingDrive() || !EnterStagingRoot()) continue;
    CreateDirectoryA(WorkDirName, nullptr);
    if (SetCurrentDirectoryA(WorkDirName)) return true;
  }
  return false;
}

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

bool StagedSetupProgramEnded() {
  char root[PathBufferSize];
  char program[PathBufferSize + sizeof WorkDirName + sizeof SetupProgramName];
  for (int candidate = 0; candidate < CandidateCount; ++candidate) {
    if (!CandidateRoot(candidate, root)) continue;
    wsprintfA(program, "%s\\%s\\%s", root, WorkDirName, SetupProgramName);
    // Opened without being changed, and closed at once.
    const HANDLE file = CreateFileA(program, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
  }
  return false;
}
