#include "test_files.h"

#include <windows.h>

namespace {

// Calls `visit` for each entry of `directory` but "." and "..".
template <typename Visit> void ForEachEntry(const std::string& directory, Visit visit) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..")
      visit(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

void CollectFiles(const std::string& directory, const std::string& prefix,
                  std::vector<std::string>& files) {
  ForEachEntry(directory, [&](const std::string& name, bool isDirectory) {
    if (isDirectory)
      CollectFiles(directory + "\\" + name, prefix + name + "\\", files);
    else
      files.push_back(prefix + name);
  });
}

} // namespace

std::vector<std::string> FilesUnder(const std::string& directory) {
  std::vector<std::string> files;
  CollectFiles(directory, "", files);
  return files;
}

void RemoveTree(const std::string& directory) {
  ForEachEntry(directory, [&](const std::string& name, bool isDirectory) {
    const std::string path = directory + "\\" + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (isDirectory)
      RemoveTree(path);
    else
      DeleteFileA(path.c_str());
  });
  RemoveDirectoryA(directory.c_str());
}
