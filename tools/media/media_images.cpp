#include "media_images.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "run_tool.h"

namespace fs = std::filesystem;

namespace {

// What `mformat -f 1440` leaves for files: 2847 clusters of one 512-byte sector once the
// boot sector, two FATs and the 224-entry root directory are taken.
constexpr uint64_t FloppyClusterBytes = 512;
constexpr uint64_t FloppyClusters = 2847;

// A failure is told with what the tool said, on one line.
void Run(const std::vector<std::string>& command, const char* package) {
  std::string output;
  const int status = RunTool(command, &output);
  if (status == -1)
    throw std::runtime_error(command[0] + " cannot be started: is it installed? (Debian package " +
                             package + ")");
  if (status == 0) return;
  std::string said;
  for (size_t start = 0, end; start < output.size(); start = end + 1) {
    end = std::min(output.find('\n', start), output.size());
    const std::string line = output.substr(start, end - start);
    if (line.find_first_not_of(" \r\t") != std::string::npos)
      said += (said.empty() ? "" : "; ") + line;
  }
  throw std::runtime_error(command[0] + " failed (exit code " + std::to_string(status) + ")" +
                           (said.empty() ? "" : ": " + said));
}

// Clusters the medium's files and sub-folders take on a FAT floppy.
uint64_t FloppyClustersOf(const fs::path& medium) {
  uint64_t clusters = 0;
  for (const fs::directory_entry& item : fs::recursive_directory_iterator(medium)) {
    if (item.is_directory())
      ++clusters;
    else
      clusters += (item.file_size() + FloppyClusterBytes - 1) / FloppyClusterBytes;
  }
  return clusters;
}

} // namespace

void WriteIsoImage(const fs::path& medium, const fs::path& image, const std::string& label) {
  Run({"xorriso", "-as", "mkisofs", "-quiet", "-iso-level", "1", "-J", "-V", label, "-o",
       image.string(), medium.string()},
      "xorriso");
}

void WriteFloppyImage(const fs::path& medium, const fs::path& image, const std::string& label) {
  const uint64_t clusters = FloppyClustersOf(medium);
  if (clusters > FloppyClusters)
    throw std::runtime_error(
        "the medium does not fit on a 1.44 MB floppy: it takes " +
        std::to_string(clusters * FloppyClusterBytes) + " bytes, a floppy holds " +
        std::to_string(FloppyClusters * FloppyClusterBytes) + "; no floppy image written");
  Run({"mformat", "-C", "-f", "1440", "-v", label, "-i", image.string(), "::"}, "mtools");
  std::vector<std::string> copy = {"mcopy", "-i", image.string(), "-s", "-p", "-m", "-Q"};
  for (const fs::directory_entry& item : fs::directory_iterator(medium))
    copy.push_back(item.path().string());
  copy.push_back("::/");
  Run(copy, "mtools");
}
