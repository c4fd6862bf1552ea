// drs media: from a folder of installer files to a medium in one command. The packing
// and the check are those of `drs pack` and `drs verify`, called, so that the medium
// is refused for exactly what they refuse.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "command_line.h"
#include "commands.h"
#include "format/rules.h"
#include "installed_setup.h"
#include "media_images.h"
#include "temporary_path.h"

namespace fs = std::filesystem;

namespace {

struct MediaOptions {
  std::string Folder;
  std::string Iso;
  std::string Floppy;
  std::string Label;
  std::string Setup;
  int CodePage = 0;
  std::string Payload;
  bool Quiet = false;
};

std::string ChosenLabel(const MediaOptions& options) {
  if (options.Label.empty()) {
    fs::path payload = fs::absolute(options.Payload).lexically_normal();
    if (!payload.has_filename()) payload = payload.parent_path();
    return LabelFromName(payload.filename().string());
  }
  std::string label = options.Label;
  for (char& c : label)
    c = UpperAscii(c);
  return label;
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
  const fs::path archive = folder / "N_SETUP.DRS";
  MediumChanges changes;
  changes.MakeFolder(folder);
  changes.Claim(archive);
  Arguments pack = {"-o", archive.string(), options.Payload};
  if (options.CodePage) pack.insert(pack.begin(), {"--codepage", std::to_string(options.CodePage)});
  if (options.Quiet) pack.insert(pack.begin(), "-q");
  if (const int status = PackCommand(pack)) return status;
  if (const int status = VerifyCommand({archive.string()})) return status;

  const fs::path copy = folder / "SETUP.EXE";
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

// A refusal anywhere leaves the disk as it was: no half-made medium, and a medium or
// image that was already there stays as it was.
int Media(const MediaOptions& options) {
  const std::string label = ChosenLabel(options);
  if (!IsVolumeLabel(label)) throw UsageMistake("a --label is 1 to 11 letters, digits or _");
  return MakeMedium(options, label);
}

} // namespace

CommandWork DefineMediaCommand(CLI::App& drs) {
  CLI::App* command = drs.add_subcommand(
      "media", "makes an installation medium in DIR: PAYLOAD (your N_SETUP.EXE and its files) "
               "packed into N_SETUP.DRS and checked, with SETUP.EXE beside it; optionally also a "
               "CD image and a floppy image of it");
  auto options = std::make_shared<MediaOptions>();
  command->add_option("-o", options->Folder, "the folder of the medium, made when missing")
      ->type_name("DIR")
      ->required()
      ->check(WrittenFileName());
  command
      ->add_option("--iso", options->Iso,
                   "also an ISO 9660 CD image of the medium (level 1 names, Joliet, the label), "
                   "written by xorriso")
      ->type_name("FILE")
      ->check(WrittenFileName());
  command
      ->add_option("--floppy", options->Floppy,
                   "also a 1.44 MB FAT12 floppy image, written by mtools; refused when the "
                   "medium does not fit")
      ->type_name("FILE")
      ->check(WrittenFileName());
  command
      ->add_option("--label", options->Label,
                   "the volume label of the images, 1 to 11 letters, digits or _ (default: from "
                   "PAYLOAD's folder name)")
      ->type_name("NAME");
  command
      ->add_option("--setup", options->Setup,
                   "the SETUP.EXE to put on the medium (default: the one installed with drs)")
      ->type_name("FILE");
  AddCodePageOption(*command, options->CodePage,
                    "names are converted from UTF-8 to this Windows code page (default: plain "
                    "ASCII only)");
  command->add_flag("-q", options->Quiet,
                    "no progress line (shown on a terminal when packing takes more than a second)");
  command->add_option("PAYLOAD", options->Payload)->required();
  return [options] { return Media(*options); };
}
