#include "directory_path.h"

#include <windows.h>

namespace {

constexpr int ComponentBufferSize = 260;

void EnterComponent(const char* component) {
  CreateDirectoryA(component, nullptr);
  SetCurrentDirectoryA(component);
}

} // namespace

int MakeDirectoryPath(const char* path) {
  SetCurrentDirectoryA("\\");
  char component[ComponentBufferSize];
  int length = 0;
  // A component too long for the buffer cannot be a directory name anyway; it is
  // passed over like one that can be neither created nor entered.
  bool tooLong = false;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\') {
      component[length] = '\0';
      if (!tooLong) EnterComponent(component);
      length = 0;
      tooLong = false;
    } else if (length < ComponentBufferSize - 1) {
      component[length++] = *p;
    } else {
      tooLong = true;
    }
  }
  component[length] = '\0';
  if (length > 0 && !tooLong) EnterComponent(component);
  return 1;
}
