// A whole archive, as found on a damaged medium, through what `drs verify` runs: the
// bootstrap's directory reader and the decoder of every entry.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "tools/drs/archive_view.h"
#include "tools/drs/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("fuzz-archive-" + std::to_string(getpid()) + ".drs"))
                                      .string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  try {
    VerifyCommand({path});
  } catch (const DamagedArchive&) {
    // A refused directory is a clean outcome.
  }
  std::remove(path.c_str());
  return 0;
}
