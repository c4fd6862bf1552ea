#include "setup_process.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

HANDLE OpenChildProcess(DWORD parent, const char* name, DWORD* id) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
  DWORD found = 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more && !found;
       more = Process32Next(snapshot, &entry))
    if (entry.th32ParentProcessID == parent && lstrcmpiA(entry.szExeFile, name) == 0)
      found = entry.th32ProcessID;
  CloseHandle(snapshot);
  *id = found;
  return found ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE |
                                 SYNCHRONIZE,
                             FALSE, found)
               : nullptr;
}

// The command line lives in the process's own memory: its environment block points at
// its parameters, and they at the text.
bool ReadCommandLine(HANDLE process, std::string* commandLine) {
  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) !=
          0 ||
      !basic.PebBaseAddress)
    return false;
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
      !peb.ProcessParameters ||
      !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr) ||
      !parameters.CommandLine.Buffer)
    return false;
  std::vector<wchar_t> text(parameters.CommandLine.Length / sizeof(wchar_t) + 1, L'\0');
  if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, text.data(),
                         parameters.CommandLine.Length, nullptr))
    return false;
  *commandLine = Utf8(text.data(), static_cast<int>(text.size() - 1));
  return true;
}

std::string ProgramPath(HANDLE process) {
  wchar_t path[MAX_PATH * 2];
  DWORD length = MAX_PATH * 2;
  return QueryFullProcessImageNameW(process, 0, path, &length)
             ? Utf8(path, static_cast<int>(length))
             : std::string();
}

namespace {

BOOL CALLBACK CloseWindowOf(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId) && IsWindowVisible(window))
    PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

} // namespace

void EndProcessGently(HANDLE process, DWORD processId, DWORD waitMs) {
  EnumWindows(CloseWindowOf, static_cast<LPARAM>(processId));
  if (WaitForSingleObject(process, waitMs) == WAIT_TIMEOUT) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
  }
}

std::string Utf8(const wchar_t* text, int length) {
  if (length <= 0) return "";
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

std::string AnsiToUtf8(const std::string& text) {
  const int length = static_cast<int>(text.size());
  if (length == 0) return "";
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(size));
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size);
  return Utf8(wide.data(), size);
}
