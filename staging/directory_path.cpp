#include "directory_path.h"

#include "format/rules.h"
#include "lead_byte.h"
#include "staging_state.h"

#include <windows.h>

namespace {

constexpr int ComponentBufferSize = PathBufferSize;

void EnterComponent(const char* component) {
  CreateDirectoryA(component, nullptr);
  SetCurrentDirectoryA(component);
}

bool EnterStart(const char* path) {
  switch (PlaceOf(path)) {
  case EntryPlace::CurrentDriveRoot:
    return SetCurrentDirectoryA("\\") != FALSE;
  case EntryPlace::OtherDrive: {
    const char root[] = {path[0], ':', '\\', '\0'};
    return SetCurrentDirectoryA(root) != FALSE;
  }
  case EntryPlace::WorkDir:
    break;
  }
  return true;
}

} // namespace

void MakeDirectoryPath(const char* path) {
  if (!EnterStart(path)) return;
  // The walk never takes the second byte of a double-byte character for a separator.
  for (const char* component = FirstComponent(path);;) {
    const char* end = ComponentEnd(component, IsLeadByte);
    // A component too long for the buffer cannot be a directory name anyway; it is
    // passed over like one that can be neither created nor entered.
    if (end > component && end - component < ComponentBufferSize) {
      char name[ComponentBufferSize];
      for (int i = 0; component + i < end; ++i)
        name[i] = component[i];
      name[end - component] = '\0';
      EnterComponent(name);
    }
    if (!*end) return;
    component = end + 1;
  }
}
