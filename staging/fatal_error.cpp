#include "lzhuf/fatal_error.h"

#include "extract.h"
#include "fatal_error_jump.h"

#include <windows.h>

std::jmp_buf FatalErrorJump;

void FatalError(const char* message) {
  MessageBoxA(nullptr, message, "Fatal Error", MB_OK);
  if (ArchiveStream) std::fclose(ArchiveStream);
  ArchiveStream = nullptr;
  if (OutputStream) std::fclose(OutputStream);
  OutputStream = nullptr;
  // Only plain C frames lie between here and PrepareStaging, so nothing that needs
  // unwinding is jumped over; the memory they held is given back here instead.
  ReleaseExtractionMemory();
  std::longjmp(FatalErrorJump, 1);
}
