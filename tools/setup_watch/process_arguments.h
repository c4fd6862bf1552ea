// How a process's arguments read in Linux's process list (/proc/PID/cmdline, and its
// environment likewise): NUL-separated. Wine shows a Windows program's command line
// there as the arguments, padded with NULs at the end, which are dropped. Read from
// inside Wine by the watcher and from outside by `drs try`.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::string> NulSeparated(const std::string& bytes) {
  std::vector<std::string> words;
  size_t start = 0;
  for (size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
    words.push_back(bytes.substr(start, end - start));
  if (start < bytes.size()) words.push_back(bytes.substr(start));
  while (!words.empty() && words.back().empty())
    words.pop_back();
  return words;
}
