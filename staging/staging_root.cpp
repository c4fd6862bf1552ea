#include "staging_root.h"

#include "ansi_path.h"
#include "extract.h"
#include "lead_byte.h"
#include "os_kind.h"
#include "private_folder.h"
#include "staging_state.h"
#include "work_tree.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr DWORD TempPathLimit = PathBufferSize - 1;
// The extraction comes back to the work directory by a saved copy, so a longer staging
// root would leave it unable to find its way back.
constexpr size_t MaxStagingRootLength = SavedDirectorySize - 1 - 1 - (sizeof WorkDirName - 1);
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
  const bool ntFamily = ClassifyOs() >= FirstNtOsKind;
  for (int candidate = 0; candidate < CandidateCount; ++candidate) {
    if (!CandidateRoot(candidate, StagingRoot)) continue;
    // A temporary folder the system names but lacks is not made: it may be gone on
    // purpose. The Windows directory's own is the last resort.
    if (candidate == WindowsTemp) CreateDirectoryA(StagingRoot, nullptr);
    if (!EnterStagingDrive() || !EnterStagingRoot()) continue;
    // Only a work directory this run makes is used: nothing left in it may be started or
    // loaded beside the setup program, and a link would lead the unpacking elsewhere.
    // Every user of the NT family may write to the Windows directory's TEMP: there a
    // leftover cannot be told from one planted by someone else, nor emptied without
    // racing them, so only an empty one or a link goes, and the new one is closed to
    // others. The user's own leftover, anywhere else, is emptied.
    const bool shared = ntFamily && candidate == WindowsTemp;
    if (shared)
      RemoveDirectoryA(WorkDirName);
    else
      RemoveFolder(WorkDirName, false);
    if (!(shared ? CreatePrivateFolder(WorkDirName) : CreateDirectoryA(WorkDirName, nullptr)))
      continue;
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

bool WorkDirPath(const char* root, const char* name, char* path, size_t size) {
  const size_t length = std::strlen(root) + sizeof WorkDirName + (name ? 1 + std::strlen(name) : 0);
  if (length >= size) return false;
  wsprintfA(path, name ? "%s\\%s\\%s" : "%s\\%s", root, WorkDirName, name);
  return true;
}

bool StagedSetupProgramEnded() {
  char root[PathBufferSize];
  char program[PathBufferSize + sizeof WorkDirName + sizeof SetupProgramName];
  bool found = false;
  // Every root a start may have chosen: a leftover elsewhere may have sent the first one
  // on to the next.
  for (int candidate = 0; candidate < CandidateCount; ++candidate) {
    if (!CandidateRoot(candidate, root)) continue;
    if (!WorkDirPath(root, SetupProgramName, program, sizeof program)) continue;
    // Opened without being changed, and closed at once.
    const HANDLE file = CreateFileA(program, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
      continue;
    }
    CloseHandle(file);
    // A setup program hands its work on to others as a rule; while one of them runs from
    // the work directory, the installation is not over.
    program[std::strlen(program) - sizeof SetupProgramName] = '\0';
    if (ProgramRunsFrom(program)) return false;
    found = true;
  }
  return found;
}
