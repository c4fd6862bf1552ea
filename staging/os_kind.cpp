#include "os_kind.h"

#include <windows.h>

int ClassifyOs() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  switch (version.dwPlatformId) {
  case VER_PLATFORM_WIN32s:
    return 1;
  case VER_PLATFORM_WIN32_WINDOWS:
    if (version.dwMajorVersion != 4) return 0;
    if (version.dwMinorVersion == 10) return 4;
    return version.szCSDVersion[0] ? 3 : 2;
  case VER_PLATFORM_WIN32_NT:
    return version.dwMajorVersion == 3 ? 5 : 6;
  default:
    return 0;
  }
}
