#include "check.h"
#include "test_support.h"

#include <windows.h>

#include <cstring>

// Started with "--hold FILE", the program is the other process of the clean-up cases:
// it keeps FILE open without sharing until the event named after it is set.
static int HoldFile(const char* path) {
  // The test probes the file while it waits for this process, so an attempt may collide.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 1200 && file == INVALID_HANDLE_VALUE; ++attempt) {
    file =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Sleep(50);
  }
  if (file == INVALID_HANDLE_VALUE) return 1;
  const HANDLE release = CreateEventA(nullptr, TRUE, FALSE, "StagingTestRelease");
  WaitForSingleObject(release, 120000);
  CloseHandle(file);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--hold") == 0) return HoldFile(argv[2]);
  InstallBoxRecorder();
  return RunAllTests(argc, argv);
}
