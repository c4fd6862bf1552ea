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

void AppendLittleEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

std::string FakeTempPath;

DWORD WINAPI AnswerTempPath(DWORD size, LPSTR buffer) {
  const DWORD length = static_cast<DWORD>(FakeTempPath.size());
  if (length + 1 > size) return length + 1;
  std::memcpy(buffer, FakeTempPath.c_str(), length + 1);
  return length;
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

std::string ArchiveImage(const std::vector<TestEntry>& entries) {
  std::string image(54, 'S');
  AppendLittleEndian(image, 0, 2);
  AppendLittleEndian(image, static_cast<uint32_t>(entries.size()), 2);
  uint32_t offset = 0;
  for (const TestEntry& entry : entries) {
    AppendLittleEndian(image, offset, 4);
    AppendLittleEndian(image, 0, 4);
    AppendLittleEndian(image, entry.DosTime, 2);
    AppendLittleEndian(image, entry.DosDate, 2);
    image.push_back(static_cast<char>(entry.Dir.size()));
    image.push_back(static_cast<char>(entry.Name.size()));
    image += entry.Dir;
    image += entry.Name;
    offset += static_cast<uint32_t>(entry.Stream.size());
  }
  AppendLittleEndian(image, static_cast<uint32_t>(image.size() + 4), 4);
  for (const TestEntry& entry : entries)
    image += entry.Stream;
  return image;
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

TempPathOverride::TempPathOverride(std::string path)
    : Hook("kernel32.dll", "GetTempPathA", reinterpret_cast<void*>(AnswerTempPath)) {
  FakeTempPath = std::move(path);
}
