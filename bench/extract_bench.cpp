// One whole staging and extraction by SETUP.EXE's own code, timed, with the process's
// peak memory afterwards. N_SETUP.DRS must lie beside this program, as it lies beside
// SETUP.EXE on the medium; the work directory is made under TEMP_DIR and left for the
// caller to compare and remove.
//   extract_bench TEMP_DIR
// Prints one line: "ok|failed MILLISECONDS PEAK_WORKING_SET_KB PEAK_PRIVATE_KB".
#include "iat_hook.h"
#include "staging/staging.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>

namespace {

// A box would wait for a user who is not there: it is reported and answered at once.
int WINAPI ReportBox(HWND, LPCSTR text, LPCSTR caption, UINT) {
  std::fprintf(stderr, "extract_bench: box \"%s\": %s\n", caption, text);
  return IDOK;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: extract_bench TEMP_DIR\n");
    return 2;
  }
  ScopedImportHook box("user32.dll", "MessageBoxA", reinterpret_cast<void*>(ReportBox));
  SetEnvironmentVariableA("TMP", argv[1]);
  SetEnvironmentVariableA("TEMP", argv[1]);

  const DWORD begin = GetTickCount();
  PrepareStaging();
  const DWORD elapsed = GetTickCount() - begin;

  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("%s %lu %lu %lu\n", ExtractOk ? "ok" : "failed", elapsed,
              static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024),
              static_cast<unsigned long>(memory.PeakPagefileUsage / 1024));
  return ExtractOk ? 0 : 1;
}
