// A setup program as real ones behave where the demo setup program does not, chosen by
// STAND_IN_SETUP in the environment:
//   hand_over  N_SETUP.EXE starts SUB\HELPER.EXE (this program again) and ends without
//              closing the bootstrap's window; the helper reports the hand-off once
//              N_SETUP.EXE has ended, waits for the event StandInRelease, then closes it.
//   slow_exit  closes the bootstrap's window at once, then takes 8 s to end.
#include "setup_arguments.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static SetupArguments arguments;
  if (!ParseSetupArguments(GetCommandLineA(), arguments)) return 1;
  HWND bootstrap = reinterpret_cast<HWND>(static_cast<UINT_PTR>(arguments.Window));
  const char* mode = std::getenv("STAND_IN_SETUP");
  if (mode && std::strcmp(mode, "slow_exit") == 0) {
    // Held as Windows holds a running program's file, which Wine lets go of.
    CreateFileA("N_SETUP.EXE", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    PostMessageA(bootstrap, WM_CLOSE, 0, 0);
    // Waiting for a message, so that the bootstrap's WinExec, which waits for that, returns.
    SetTimer(nullptr, 0, 8000, nullptr);
    MSG message;
    return GetMessageA(&message, nullptr, 0, 0) ? 0 : 1;
  }
  if (!std::strstr(arguments.ProgramPath, "HELPER")) {
    static char line[3 * ArgumentTextSize];
    std::snprintf(line, sizeof line, "SUB\\HELPER.EXE %ld %lu %s", arguments.Token,
                  arguments.Window, arguments.ArgumentZero);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    return CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)
               ? 0
               : 1;
  }
  HANDLE setup = INVALID_HANDLE_VALUE;
  for (int wait = 0; wait < 1200 && setup == INVALID_HANDLE_VALUE; ++wait, Sleep(100))
    setup = CreateFileA("N_SETUP.EXE", GENERIC_WRITE, 3, nullptr, OPEN_EXISTING, 0, nullptr);
  CloseHandle(setup);
  if (FILE* report = std::fopen(std::getenv("NUVIK_DEMO_REPORT"), "a")) {
    std::fprintf(report, "command line: %s\n", GetCommandLineA());
    std::fclose(report);
  }
  WaitForSingleObject(CreateEventA(nullptr, TRUE, FALSE, "StandInRelease"), 300000);
  PostMessageA(bootstrap, WM_CLOSE, 0, 0);
  return 0;
}
