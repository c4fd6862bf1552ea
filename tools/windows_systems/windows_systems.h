// The Windows versions and code pages the tools know, each listed once: drs try runs
// SETUP.EXE on every one of them, and drs converts names for some of the code pages.
#pragma once

#include <iterator>
#include <string>
#include <vector>

struct WindowsVersion {
  const char* Name;     // as drs try's --windows takes it
  const char* WineName; // as Wine's Version setting names it
  const char* Reported; // the version and family SETUP.EXE is told, as the watcher records
};

inline constexpr WindowsVersion WindowsVersions[] = {
    {"95", "win95", "4.0 95"},
    {"98", "win98", "4.10 95"},
    {"nt4", "nt40", "4.0 nt"},
    {"10", "win10", "6.2 nt"}, // Windows 10 to a program without a manifest
};

struct KnownCodePage {
  int Number;
  const char* Locale;  // the locale in which Wine takes it for the system's code page
  bool NamesConverted; // drs converts names between it and the file system
};

inline constexpr KnownCodePage KnownCodePages[] = {
    {1252, "en_US.UTF-8", true},
    {949, "ko_KR.UTF-8", true},
    {932, "ja_JP.UTF-8", false},
    {950, "zh_TW.UTF-8", false},
};

// The version of that name; the last one, the newest, for any other name.
inline const WindowsVersion& WindowsVersionNamed(const std::string& name) {
  for (const WindowsVersion& version : WindowsVersions)
    if (name == version.Name) return version;
  return WindowsVersions[std::size(WindowsVersions) - 1];
}

// The code page of that number; the first one for any other number.
inline const KnownCodePage& KnownCodePageNumbered(int number) {
  for (const KnownCodePage& codePage : KnownCodePages)
    if (number == codePage.Number) return codePage;
  return KnownCodePages[0];
}

// The names an option takes: every version.
inline std::vector<std::string> WindowsVersionNames() {
  std::vector<std::string> names;
  for (const WindowsVersion& version : WindowsVersions)
    names.push_back(version.Name);
  return names;
}

// The numbers an option takes: every code page, or those whose names drs converts.
inline std::vector<std::string> CodePageNumbers(bool namesConverted) {
  std::vector<std::string> numbers;
  for (const KnownCodePage& codePage : KnownCodePages)
    if (codePage.NamesConverted || !namesConverted)
      numbers.push_back(std::to_string(codePage.Number));
  return numbers;
}
