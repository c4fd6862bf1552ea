// drs media: from a folder of installer files to a medium in one command. The packing
// and the check are those of `drs pack` and `drs verify`, called, so that the medium
// is refused for exactly what they refuse.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "commands.h"
#include "format/rules.h"
#include "installed_setup.h"
#include "media_images.h"
#include "temporary_path.h"
#include "volume_label.h"

namespace fs = std::filesystem;

namespace {

struct MediaOptions {
  std::string Folder;
  std::string Iso;
  std::string Floppy;
  std::string Label;
  std::string Setup;
  std::string CodePage;
  std::string Payload;
  bool Quiet = false;
};

bool Parse(const Arguments& arguments, MediaOptions* options) {
  const std::pair<const char*, std::string*> valued[] = {
      {"-o", &options->Folder},     {"--iso", &options->Iso},     {"--floppy", &options->Floppy},
      {"--label", &options->Label}, {"--setup", &options->Setup},
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    const auto option = std::find_if(std::begin(valued), std::end(valued),
                                     [&word](const auto& known) { return word == known.first; });
    if (option != std::end(valued)) {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty() || !option->second->empty())
        return false;
      *option->second = arguments[++i];
    } else if (word == "--codepage") {
      int codePage;
      if (!ParseCodePage(arguments, i, &codePage)) return false;
      options->CodePage = std::to_string(codePage);
    } else if (word == "-q") {
      options->Quiet = true;
    } else if (options->Payload.empty() && !word.empty() && word[0] != '-') {
      options->Payload = word;
    } else {
      return false;
    }
  }
  return !options->Payload.empty() && !options->Folder.empty();
}

std::optional<std::string> ChosenLabel(const MediaOptions& options) {
  fs::path payload = fs::absolute(options.Payload).lexically_normal();
  if (!payload.has_filename()) payload = payload.parent_path();
  return VolumeLabel(options.Label, payload.filename().string());
}

// What one run changes on disk, undone unless the run completes: a file it adds is
// removed, a file it replaces comes back, a folder it made goes.
class MediumChanges {
public:
  ~MediumChanges() {
    if (Done_) return;
    std::error_code ignored;
    for (const fs::path& added : Added_)
      fs::remove_all(added, ignored);
    for (const auto& [target, saved] : Saved_)
      fs::rename(saved, target, ignored);
  }

  // Makes room for `target`, keeping what was there until the run completes.
  void Claim(const fs::path& target) {
    if (fs::exists(fs::symlink_status(target))) {
      const fs::path saved = TemporaryPath(target);
      fs::rename(target, saved);
      Saved_.emplace_back(target, saved);
    }
    Added_.insert(Added_.begin(), target);
  }

  void MakeFolder(const fs::path& folder) {
    if (fs::is_directory(folder)) return;
    fs::create_directories(folder);
    Added_.push_back(folder);
  }

  void Complete() {
    Done_ = true;
    std::error_code ignored;
    for (const auto& pair : Saved_)
      fs::remove(pair.second, ignored);
  }

private:
  bool Done_ = false;
  std::vector<fs::path> Added_;
  std::vector<std::pair<fs::path, fs::path>> Saved_;
};

int MakeMedium(const MediaOptions& options, const std::string& label) {
  const fs::path setup = options.Setup.empty() ? FindInstalledSetup() : fs::path(options.Setup);
  if (!fs::is_regular_file(setup)) throw std::runtime_error(setup.string() + ": no such file");
  const fs::path folder(options.Folder);
  const fs::path archive = folder / ArchiveName;
  MediumChanges changes;
  changes.MakeFolder(folder);
  changes.Claim(archive);
  Arguments pack = {"-o", archive.string(), options.Payload};
  if (!options.CodePage.empty()) pack.insert(pack.begin(), {"--codepage", options.CodePage});
  if (options.Quiet) pack.insert(pack.begin(), "-q");
  if (const int status = PackCommand(pack)) return status;
  if (const int status = VerifyCommand({archive.string()})) return status;

  const fs::path copy = folder / BootstrapFileName;
  std::error_code different;
  if (!fs::equivalent(setup, copy, different)) {
    changes.Claim(copy);
    fs::copy_file(setup, copy);
  }
  if (!options.Iso.empty()) {
    changes.Claim(options.Iso);
    WriteIsoImage(folder, options.Iso, label);
  }
  if (!options.Floppy.empty()) {
    changes.Claim(options.Floppy);
    WriteFloppyImage(folder, options.Floppy, label);
  }
  changes.Complete();
  return 0;
}

} // namespace

// A refusal anywhere leaves the disk as it was: no half-made medium, and a medium or
// image that was already there stays as it was.
int MediaCommand(const Arguments& arguments) {
  MediaOptions options;
  if (!Parse(arguments, &options)) return UsageError();
  const std::optional<std::string> label = ChosenLabel(options);
  if (!label) {
    std::fprintf(stderr, "drs media: a --label is %s\n", VolumeLabelRule);
    return 2;
  }
  try {
    return MakeMedium(options, *label);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "drs: %s\n", error.what());
    return 1;
  }
}
