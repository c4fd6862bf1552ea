#include "fatal_error.h"

#include "fatal_error_jump.h"
#include "format/rules.h"

#include <windows.h>

void* FatalErrorJump[5];

void FatalError(const char* message) {
  MessageBoxA(nullptr, message, FatalErrorCaption, MB_OK);
  __builtin_longjmp(FatalErrorJump, 1);
}
