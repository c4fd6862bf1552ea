#include "linux_command_line.h"

#include "process_arguments.h"
#include "setup_process.h"
#include "windows_files.h"

#include <windows.h>

#include <vector>

namespace {

const char ProcessList[] = "Z:\\proc";

std::wstring WideFromUtf8(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(),
                                                      static_cast<int>(wide.size()))) -
              1);
  return wide;
}

bool EndsWithName(const std::string& path, const char* name) {
  const size_t length = lstrlenA(name);
  return path.size() > length && path[path.size() - length - 1] == '\\' &&
         lstrcmpiA(path.c_str() + path.size() - length, name) == 0;
}

bool SameFile(const std::wstring& one, const std::wstring& other) {
  if (lstrcmpiW(one.c_str(), other.c_str()) == 0) return true;
  const std::string shortOne = ShortPath(one);
  return !shortOne.empty() && lstrcmpiA(shortOne.c_str(), ShortPath(other).c_str()) == 0;
}

std::string Joined(const std::vector<std::string>& words, size_t first) {
  std::string line;
  for (size_t i = first; i < words.size(); ++i)
    line += (i == first ? "" : " ") + words[i];
  return line;
}

// The hand-off inside one process's arguments: an emulator or Wine's loader may stand
// before it.
bool HoldsHandOff(const std::vector<std::string>& arguments, const char* program,
                  unsigned long window, const std::wstring& bootstrap, std::string* line) {
  for (size_t i = 0; i + 3 < arguments.size(); ++i)
    if (EndsWithName(arguments[i], program) &&
        (!window || arguments[i + 2] == std::to_string(window)) &&
        SameFile(WideFromUtf8(Joined(arguments, i + 3)), bootstrap)) {
      *line = Joined(arguments, i);
      return true;
    }
  return false;
}

} // namespace

bool FindLinuxCommandLine(const char* program, unsigned long window, const std::wstring& bootstrap,
                          std::string* line, std::string* why) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(ProcessList) + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    *why = std::string("Linux's process list cannot be read at ") + ProcessList;
    return false;
  }
  bool matched = false;
  do {
    const std::string name = found.cFileName;
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    matched = HoldsHandOff(
        NulSeparated(ReadWholeFile(std::string(ProcessList) + "\\" + name + "\\cmdline")), program,
        window, bootstrap, line);
  } while (!matched && FindNextFileA(search, &found));
  FindClose(search);
  if (!matched) *why = "no process Linux lists holds it";
  return matched;
}
