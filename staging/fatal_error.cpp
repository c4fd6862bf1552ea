#include "fatal_error.h"

#include "extract.h"
#include "fatal_error_jump.h"
#include "format/rules.h"

#include <windows.h>

void* FatalErrorJump[5];

void FatalError(const char* message) {
  MessageBoxA(nullptr, message, FatalErrorCaption, MB_OK);
  if (ArchiveStream) CloseStream(ArchiveStream);
  ArchiveStream = nullptr;
  if (OutputStream) CloseStream(OutputStream);
  OutputStream = nullptr;
  // Only plain C frames lie between here and PrepareStaging, so nothing that needs
  // unwinding is jumped over; the memory they held is given back here instead.
  ReleaseExtractionMemory();
  __builtin_longjmp(FatalErrorJump, 1);
}
