#include "staging.h"

#include "extract.h"
#include "fatal_error_jump.h"
#include "staging_root.h"

#include <windows.h>

#include <cstring>

char StagingRoot[PathBufferSize];
int ExtractOk;

namespace {

constexpr DWORD TempPathLimit = PathBufferSize - 1;
// The extraction comes back to the work directory by a saved copy of at most 253
// characters, so a longer staging root would leave it unable to find its way back.
constexpr size_t MaxStagingRootLength = 253 - 1 - (sizeof WorkDirName - 1);

// Upper-cases the letters a to z in place, passing over the trail byte of every
// double-byte character so that a Korean path keeps its meaning, and then removes one
// trailing backslash.
void NormaliseTempPath(char* path) {
  size_t lastCharacter = 0;
  size_t i = 0;
  while (path[i]) {
    lastCharacter = i;
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && path[i + 1]) {
      i += 2;
      continue;
    }
    if (path[i] >= 'a' && path[i] <= 'z') path[i] = static_cast<char>(path[i] - 'a' + 'A');
    ++i;
  }
  if (i > 0 && lastCharacter == i - 1 && path[lastCharacter] == '\\') path[lastCharacter] = '\0';
}

} // namespace

void PrepareStaging() {
  char tempPath[PathBufferSize] = "";
  if (GetTempPathA(TempPathLimit, tempPath) >= TempPathLimit) tempPath[0] = '\0';
  NormaliseTempPath(tempPath);
  std::strcpy(StagingRoot, tempPath);

  if (__builtin_setjmp(FatalErrorJump)) {
    ExtractOk = 0;
    return;
  }
  if (std::strlen(StagingRoot) > MaxStagingRootLength) return;
  if (!EnterStagingDrive()) return;
  // Nothing may be unpacked anywhere but in the work directory.
  if (!EnterStagingRoot()) return;
  CreateDirectoryA(WorkDirName, nullptr);
  if (!SetCurrentDirectoryA(WorkDirName)) return;
  if (ExtractArchive("N_SETUP.DRS")) ExtractOk = 1;
}
