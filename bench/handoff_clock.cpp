// Stands in for N_SETUP.EXE in the staging benchmark: notes the moment it was started,
// the hand-off, and closes the bootstrap's window at once, so that the bootstrap cleans
// up and ends by itself.
//   started by SETUP.EXE as: N_SETUP.EXE TOKEN WINDOW ARGUMENT0
// Writes the start as nanoseconds since 1970 to the file that NUVIK_HANDOFF_CLOCK names.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks =
      static_cast<unsigned long long>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  if (const char* path = std::getenv("NUVIK_HANDOFF_CLOCK")) {
    if (std::FILE* clock = std::fopen(path, "w")) {
      std::fprintf(clock, "%llu\n", (ticks - 116444736000000000ULL) * 100);
      std::fclose(clock);
    }
  }
  long token = 0;
  unsigned long window = 0;
  if (std::sscanf(commandLine, "%ld %lu", &token, &window) == 2)
    PostMessageA(reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)), WM_CLOSE, 0, 0);
  return 0;
}
