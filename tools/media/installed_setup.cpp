#include "installed_setup.h"

#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

static fs::path ProgramPath() {
#ifdef _WIN32
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? fs::path(path) : fs::path();
#else
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error);
#endif
}

fs::path FindInstalledSetup() {
  return FindInstalledFile(BootstrapFileName, "--setup");
}

fs::path FindInstalledFile(const std::string& name, const std::string& option) {
  const fs::path folder = ProgramPath().parent_path();
  std::string looked;
  for (const fs::path& candidate : {folder / name, folder / NUVIK_SETUP_FOLDER / name}) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate;
    looked += (looked.empty() ? "" : ", ") + candidate.lexically_normal().string();
  }
  throw std::runtime_error("no " + name + " installed with drs (looked at " + looked +
                           "); name one with " + option);
}
