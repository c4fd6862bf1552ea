// Where the process starts: with no C runtime to set anything up, WinMain gets what a
// C runtime's start-up would give it, and its result ends the process.
#include "command_line.h"

#include <windows.h>

// Windows 95 enters with the stack aligned to 4 bytes only.
extern "C" [[noreturn]] __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
  STARTUPINFOA startup;
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  const int show = startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : SW_SHOWDEFAULT;
  const char* rest = SkipArgumentZero(GetCommandLineA());
  while (*rest == ' ' || *rest == '\t')
    ++rest;
  ExitProcess(static_cast<UINT>(
      WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(rest), show)));
}
