#include "staging.h"

#include "extract.h"
#include "fatal_error_jump.h"
#include "format/rules.h"
#include "lead_byte.h"
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
// trailing backslash, never the second byte of a double-byte character.
void NormaliseTempPath(char* path) {
  UpperCaseAscii(path, IsLeadByte);
  char* lastCharacter = nullptr;
  for (char* p = path; *p; p += IsLeadByte(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1)
    lastCharacter = p;
  if (lastCharacter && *lastCharacter == '\\') *lastCharacter = '\0';
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
  if (ExtractArchive(ArchiveName)) ExtractOk = 1;
}
