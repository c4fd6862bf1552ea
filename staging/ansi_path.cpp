#include "ansi_path.h"

#include "runtime/command_line.h"

namespace {

using GetTempPathWCall = DWORD(WINAPI*)(DWORD, LPWSTR);
using GetModuleFileNameWCall = DWORD(WINAPI*)(HMODULE, LPWSTR, DWORD);
using GetShortPathNameWCall = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

// Looked up, not imported: the Windows 95 family has the wide calls at best as stubs
// that fail, and the program must load there.
template <typename Call> Call WideCall(const char* name) {
  return reinterpret_cast<Call>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), name)));
}

// Only where every character has an ANSI form of its own: the way back must give the
// same path, so neither the default character nor a look-alike slips in.
bool NarrowExactly(const wchar_t* wide, char (&ansi)[MAX_PATH]) {
  wchar_t back[MAX_PATH];
  if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, MAX_PATH, nullptr, nullptr) ||
      !MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, MAX_PATH))
    return false;
  for (int i = 0; back[i] == wide[i]; ++i)
    if (!back[i]) return true;
  return false;
}

// From the wide path when there is one, else from the ANSI one. Where 8.3 names are
// switched off the system answers the long form, which is then not plain.
bool ShortForm(const wchar_t* wide, const char* ansi, char (&path)[MAX_PATH]) {
  if (wide) {
    const auto shortPathName = WideCall<GetShortPathNameWCall>("GetShortPathNameW");
    wchar_t shortWide[MAX_PATH];
    const DWORD length = shortPathName ? shortPathName(wide, shortWide, MAX_PATH) : 0;
    if (length == 0 || length >= MAX_PATH || !NarrowExactly(shortWide, path)) return false;
  } else {
    const DWORD length = GetShortPathNameA(ansi, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
  }
  return IsPlainPath(path);
}

bool Holds(const char* path, char c) {
  for (; *path; ++path)
    if (*path == c) return true;
  return false;
}

} // namespace

bool IsPlainPath(const char* path) {
  return !Holds(path, ' ') && !Holds(path, '?');
}

bool TempPathShortForm(char (&path)[MAX_PATH]) {
  const auto tempPath = WideCall<GetTempPathWCall>("GetTempPathW");
  wchar_t wide[MAX_PATH];
  DWORD length = tempPath ? tempPath(MAX_PATH, wide) : 0;
  if (length && length < MAX_PATH) return ShortForm(wide, nullptr, path);
  char ansi[MAX_PATH];
  length = GetTempPathA(MAX_PATH, ansi);
  return length && length < MAX_PATH && ShortForm(nullptr, ansi, path);
}

const char* PlainArgumentZero(char (&buffer)[MAX_PATH]) {
  const char* given = ArgumentZero();
  if (IsPlainPath(given)) return given;
  // A '?' would be taken for a wildcard and could name another file.
  if (!Holds(given, '?') && ShortForm(nullptr, given, buffer)) return buffer;
  const auto moduleFileName = WideCall<GetModuleFileNameWCall>("GetModuleFileNameW");
  wchar_t wide[MAX_PATH];
  const DWORD length = moduleFileName ? moduleFileName(nullptr, wide, MAX_PATH) : 0;
  if (length && length < MAX_PATH && ShortForm(wide, nullptr, buffer)) return buffer;
  return given;
}
