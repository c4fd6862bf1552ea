#include "command_line.h"

#include <windows.h>

#include <cstdlib>

const char* ArgumentZero() {
  if (__argc > 0 && __argv[0] && __argv[0][0]) return __argv[0];
  static char moduleName[MAX_PATH];
  if (!moduleName[0]) GetModuleFileNameA(nullptr, moduleName, sizeof moduleName);
  return moduleName;
}
