#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::vector<RecordedBox> Boxes;

int WINAPI RecordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  Boxes.push_back({owner, text ? text : "", caption ? caption : "", style});
  return IDOK;
}

// A path answered as the system answers one: its length when it fits, else the size
// the buffer would need.
DWORD AnswerPath(const std::string& path, char* buffer, DWORD size) {
  const DWORD length = static_cast<DWORD>(path.size());
  if (length + 1 > size) return length + 1;
  std::memcpy(buffer, path.c_str(), length + 1);
  return length;
}

std::string FakeTempPath;

DWORD WINAPI AnswerTempPath(DWORD size, LPSTR buffer) {
  return AnswerPath(FakeTempPath, buffer, size);
}

// The wide answer the NT family gives beside it, for the short form.
DWORD WINAPI AnswerTempPathW(DWORD size, LPWSTR buffer) {
  const int length = MultiByteToWideChar(CP_ACP, 0, FakeTempPath.c_str(), -1, nullptr, 0);
  if (static_cast<DWORD>(length) > size) return static_cast<DWORD>(length);
  MultiByteToWideChar(CP_ACP, 0, FakeTempPath.c_str(), -1, buffer, length);
  return static_cast<DWORD>(length - 1);
}

void* RealGetProcAddress;
bool WideTempPath;

FARPROC WINAPI AnswerGetProcAddress(HMODULE module, LPCSTR name) {
  if (reinterpret_cast<uintptr_t>(name) > 0xFFFF && std::strcmp(name, "GetTempPathW") == 0)
    return WideTempPath ? reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(AnswerTempPathW))
                        : nullptr;
  return reinterpret_cast<FARPROC(WINAPI*)(HMODULE, LPCSTR)>(RealGetProcAddress)(module, name);
}

std::string FakeWindowsDirectory;

UINT WINAPI AnswerWindowsDirectory(LPSTR buffer, UINT size) {
  return AnswerPath(FakeWindowsDirectory, buffer, size);
}

std::string FakeCommandLine;

LPSTR WINAPI AnswerCommandLine() {
  return FakeCommandLine.data();
}

std::string DriveFromEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  return value && value[0] ? std::string(1, value[0]) + ":" : std::string("?:");
}

} // namespace

std::string ScratchDrive() {
  return DriveFromEnvironment("SCRATCH_DRIVE");
}

std::string SmallDrive() {
  return DriveFromEnvironment("SMALL_DRIVE");
}

void InstallBoxRecorder() {
  HookImport("user32.dll", "MessageBoxA", reinterpret_cast<void*>(RecordBox));
}

std::vector<RecordedBox>& RecordedBoxes() {
  return Boxes;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::printf("  cannot create %s\n", path.c_str());
    return;
  }
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes->clear();
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes->append(chunk, got);
  std::fclose(file);
  return true;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void FreshDirectory(const std::string& path) {
  RemoveTree(path);
  CreateDirectoryA(path.c_str(), nullptr);
}

bool UnixLink(const std::string& link, const std::string& target) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return false;
  auto name = [&](const std::string& path) {
    const std::wstring wide(path.begin(), path.end());
    return std::string(" \"") + unixName(wide.c_str()) + "\"";
  };
  std::string line = target.empty() ? "Z:\\bin\\rm -f" + name(link)
                                    : "Z:\\bin\\ln -sfn" + name(target) + name(link);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine does not wait for a Unix program: the link's state tells when it is done.
  for (int wait = 0; wait < 600 && DirectoryExists(link) == target.empty(); ++wait)
    Sleep(100);
  return DirectoryExists(link);
}

const char* CurrentDirectory() {
  static char buffer[MAX_PATH * 2];
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  if (!length || length >= sizeof buffer) buffer[0] = '\0';
  return buffer;
}

// Nothing asks for the answer between the hook and the assignment.
CommandLineOverride::CommandLineOverride(std::string commandLine)
    : Hook("kernel32.dll", "GetCommandLineA", reinterpret_cast<void*>(AnswerCommandLine)) {
  FakeCommandLine = std::move(commandLine);
}

TempPathOverride::TempPathOverride(std::string path, std::string windowsDirectory, bool wide)
    : Hook("kernel32.dll", "GetTempPathA", reinterpret_cast<void*>(AnswerTempPath)),
      WideHook("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(AnswerGetProcAddress)),
      WindowsHook("kernel32.dll", "GetWindowsDirectoryA",
                  reinterpret_cast<void*>(AnswerWindowsDirectory)) {
  RealGetProcAddress = WideHook.original<void*>();
  WideTempPath = wide;
  FakeTempPath = std::move(path);
  FakeWindowsDirectory = windowsDirectory.empty() ? ScratchDrive() + "\\WINDOWS" : windowsDirectory;
}
