#include "temporary_path.h"

#include <string>
#include <system_error>

namespace fs = std::filesystem;

fs::path TemporaryPath(const fs::path& target) {
  for (int attempt = 0;; ++attempt) {
    fs::path candidate = target;
    candidate += ".drs-tmp" + (attempt ? std::to_string(attempt) : std::string());
    std::error_code error;
    if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
  }
}
