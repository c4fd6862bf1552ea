#include "media_images.h"

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
  const int status = RunPackagedTool(command, package, &output);
  if (status == 0) return;
  // xorriso says a great deal on every run, its banner first; what went wrong is on
  // its lines marked FAILURE, SORRY or FATAL.
  const std::vector<std::string> lines = SaidLines(output);
  std::vector<std::string> failures;
  for (const std::string& line : lines)
    for (const char* mark : {": FAILURE :", ": SORRY :", ": FATAL :"})
      if (line.find(mark) != std::string::npos) failures.push_back(line);
  const std::string said = OneLine(failures.empty() ? lines : failures);
  throw std::runtime_error(command[0] + " failed (exit code " + std::to_string(status) + ")" +
                           (said.empty() ? "" : ": " + said));
}

// Clusters the files take on a FAT floppy.
uint64_t FloppyClustersOf(const std::vector<fs::path>& files) {
  uint64_t clusters = 0;
  for (const fs::path& file : files)
    clusters += (fs::file_size(file) + FloppyClusterBytes - 1) / FloppyClusterBytes;
  return clusters;
}

// A graft point of mkisofs: NAME=PATH, with = and \ in either escaped.
std::string GraftPoint(const fs::path& file) {
  std::string point;
  for (const std::string& part : {file.filename().string(), file.string()}) {
    for (char c : part) {
      if (c == '=' || c == '\\') point += '\\';
      point += c;
    }
    point += '=';
  }
  point.pop_back();
  return "/" + point;
}

} // namespace

void WriteIsoImage(const std::vector<fs::path>& files, const fs::path& image,
                   const std::string& label) {
  std::vector<std::string> command = {"xorriso",    "-as", "mkisofs",      "-quiet",
                                      "-iso-level", "1",   "-J",           "-V",
                                      label,        "-o",  image.string(), "-graft-points"};
  for (const fs::path& file : files)
    command.push_back(GraftPoint(file));
  Run(command, "xorriso");
}

void WriteFloppyImage(const std::vector<fs::path>& files, const fs::path& image,
                      const std::string& label) {
  const uint64_t clusters = FloppyClustersOf(files);
  if (clusters > FloppyClusters)
    throw std::runtime_error(
        "the medium does not fit on a 1.44 MB floppy: it takes " +
        std::to_string(clusters * FloppyClusterBytes) + " bytes, a floppy holds " +
        std::to_string(FloppyClusters * FloppyClusterBytes) + "; no floppy image written");
  Run({"mformat", "-C", "-f", "1440", "-v", label, "-i", image.string(), "::"}, "mtools");
  std::vector<std::string> copy = {"mcopy", "-i", image.string(), "-p", "-m", "-Q"};
  for (const fs::path& file : files)
    copy.push_back(file.string());
  copy.push_back("::/");
  Run(copy, "mtools");
}
