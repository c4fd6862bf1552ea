// drs media: from a folder of installer files to a medium in one command. The packing
// and the check are those of `drs pack` and `drs verify`, called as functions, so that
// the medium is refused for exactly what they refuse.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "autorun.h"
#include "code_signing.h"
#include "command_line.h"
#include "command_pack.h"
#include "command_verify.h"
#include "format/rules.h"
#include "installed_setup.h"
#include "media_images.h"
#include "pending_changes.h"
#include "setup_binary.h"
#include "setup_seal.h"
#include "temporary_path.h"
#include "tree_scan.h"
#include "volume_label.h"

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
  bool NoAutorun = false;
  SigningKey Signing; // no Pkcs12: unsigned
};

std::optional<std::string> ChosenLabel(const MediaOptions& options) {
  fs::path payload = fs::absolute(options.Payload).lexically_normal();
  if (!payload.has_filename()) payload = payload.parent_path();
  return VolumeLabel(options.Label, payload.filename().string());
}

// What the images are made of: the medium's finished files, never what else lies in its
// folder.
struct Medium {
  fs::path Folder;
  std::vector<fs::path> Files;
};

// AUTORUN.INF beside SETUP.EXE, when `wanted`; returns the one the images carry, or an
// empty path. One that the user put in the medium folder (in any letter case) stays as
// it is; the one drs wrote before is rewritten, or removed when not wanted.
fs::path WriteAutorun(const fs::path& folder, const std::string& label, bool wanted,
                      PendingChanges& changes) {
  fs::path existing;
  for (const fs::directory_entry& item : fs::directory_iterator(folder))
    if (IsNamed(item.path(), AutorunFileName)) existing = item.path();
  if (!existing.empty()) {
    std::ifstream file(existing, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!fs::is_regular_file(fs::symlink_status(existing)) || !IsOwnAutorun(text.str()))
      return wanted ? existing : fs::path();
    changes.Claim(existing);
  }
  if (!wanted) return {};
  const fs::path autorun = folder / AutorunFileName;
  changes.Claim(autorun);
  std::ofstream file(autorun, std::ios::binary);
  file << AutorunText(label);
  if (!file.flush()) throw std::runtime_error(autorun.string() + ": cannot be written");
  return autorun;
}

// The SETUP.EXE that goes on the medium, checked, and the signer when one is asked for,
// its key checked: both before any work.
struct Bootstrap {
  fs::path Setup;
  std::unique_ptr<CodeSigner> Signer; // null: unsigned
};

// Everything that can be found wrong without packing: the SETUP.EXE, the signing key, and
// every output, which must not lie in the payload (the next run would pack it) and must
// be a file where a file is written and a folder where the medium goes.
Bootstrap CheckBeforeWork(const MediaOptions& options) {
  Bootstrap bootstrap;
  bootstrap.Setup = options.Setup.empty() ? FindInstalledSetup() : fs::path(options.Setup);
  CheckSetupBinary(bootstrap.Setup);
  if (!options.Signing.Pkcs12.empty())
    bootstrap.Signer = std::make_unique<CodeSigner>(options.Signing);
  std::error_code error;
  if (fs::exists(options.Folder, error) && !fs::is_directory(options.Folder, error))
    throw std::runtime_error(options.Folder + ": is a file; -o names the medium's folder");
  const std::pair<const char*, const std::string*> images[] = {{"--iso", &options.Iso},
                                                               {"--floppy", &options.Floppy}};
  for (const auto& [option, image] : images)
    if (!image->empty() && fs::is_directory(*image, error))
      throw std::runtime_error(*image + ": is a folder; " + option + " names the image file");
  const std::pair<const char*, const std::string*> outputs[] = {
      {"the medium", &options.Folder},
      {"the CD image", &options.Iso},
      {"the floppy image", &options.Floppy}};
  for (const auto& [what, output] : outputs)
    if (!output->empty() && LiesInside(*output, options.Payload))
      throw std::runtime_error(*output + ": " + what + " would lie inside the payload " +
                               options.Payload +
                               " and be packed by the next run; choose a place outside it");
  return bootstrap;
}

void Report(const MediaOptions& options, const Medium& medium, const std::string& label) {
  std::error_code error;
  for (const fs::path& file : medium.Files)
    std::printf("wrote %s (%ju bytes)\n", file.string().c_str(),
                static_cast<uintmax_t>(fs::file_size(file, error)));
  if (!options.Iso.empty())
    std::printf("wrote %s (CD image, label %s, %ju bytes)\n", options.Iso.c_str(), label.c_str(),
                static_cast<uintmax_t>(fs::file_size(options.Iso, error)));
  if (!options.Floppy.empty())
    std::printf("wrote %s (1.44 MB floppy image, label %s)\n", options.Floppy.c_str(),
                label.c_str());
}

// SETUP.EXE beside the archive: signed ones sealed for the archive, then signed, beside
// the medium's copy, which is replaced only once signing succeeded (the signature covers
// the seal); unsigned ones copied, unless the medium holds that very file already.
fs::path PlaceBootstrap(Bootstrap& bootstrap, const fs::path& archive, PendingChanges& changes) {
  const fs::path copy = archive.parent_path() / BootstrapFileName;
  std::error_code error;
  if (bootstrap.Signer) {
    const fs::path sealedCopy = TemporaryPath(copy), signedCopy = TemporaryPath(sealedCopy);
    changes.Made(sealedCopy);
    changes.Made(signedCopy);
    SealSetup(bootstrap.Setup, sealedCopy, archive);
    bootstrap.Signer->Sign(sealedCopy, signedCopy);
    fs::remove(sealedCopy);
    changes.Claim(copy);
    fs::rename(signedCopy, copy);
  } else if (!fs::equivalent(bootstrap.Setup, copy, error)) {
    changes.Claim(copy);
    fs::copy_file(bootstrap.Setup, copy, error);
    if (error) throw std::runtime_error(copy.string() + ": cannot be written: " + error.message());
  }
  return copy;
}

// The images asked for, of the medium's files.
void WriteImages(const MediaOptions& options, const Medium& medium, const std::string& label,
                 PendingChanges& changes) {
  if (!options.Iso.empty()) {
    changes.Claim(options.Iso);
    WriteIsoImage(medium.Files, options.Iso, label);
  }
  if (!options.Floppy.empty()) {
    changes.Claim(options.Floppy);
    WriteFloppyImage(medium.Files, options.Floppy, label);
  }
}

int MakeMedium(const MediaOptions& options, const std::string& label) {
  Bootstrap bootstrap = CheckBeforeWork(options);
  PendingChanges changes;
  Medium medium{options.Folder, {}};
  changes.MakeFolder(medium.Folder);
  for (const std::string* image : {&options.Iso, &options.Floppy})
    if (!image->empty()) changes.MakeFolder(fs::path(*image).parent_path());

  const fs::path archive = medium.Folder / ArchiveName;
  changes.Claim(archive);
  // Both told the code page, so that the report shows the names as they were given.
  Pack({archive.string(), options.Payload, options.CodePage, options.Quiet});
  if (const int status = Verify({archive.string(), options.CodePage, options.Quiet, false}))
    return status;
  medium.Files.push_back(archive);
  medium.Files.push_back(PlaceBootstrap(bootstrap, archive, changes));
  const fs::path autorun = WriteAutorun(medium.Folder, label, !options.NoAutorun, changes);
  if (!autorun.empty()) medium.Files.push_back(autorun);
  WriteImages(options, medium, label, changes);
  changes.Keep();
  if (!options.Quiet) Report(options, medium, label);
  return 0;
}

// A refusal anywhere leaves the disk as it was: no half-made medium, and a medium or
// image that was already there stays as it was.
int Media(const MediaOptions& options) {
  const std::optional<std::string> label = ChosenLabel(options);
  if (!label) throw UsageMistake(std::string("a --label is ") + VolumeLabelRule);
  return MakeMedium(options, *label);
}

// The signing options: --sign-pkcs12, and the password and time stamp that go with it.
void AddSigningOptions(CLI::App& command, SigningKey& signing) {
  CLI::Option* pkcs12 =
      command
          .add_option("--sign-pkcs12", signing.Pkcs12,
                      "signs SETUP.EXE (Authenticode, SHA-256, by osslsigncode) with the "
                      "certificate and key in this PKCS#12 file, before the images are written")
          ->type_name("FILE");
  command
      .add_option("--sign-password-file", signing.PasswordFile,
                  "the certificate's password is this file's first line (default: the "
                  "environment variable DRS_SIGN_PASSWORD)")
      ->type_name("FILE")
      ->needs(pkcs12);
  command
      .add_option("--timestamp", signing.TimestampUrl,
                  "the signature gets a time stamp from this RFC 3161 service")
      ->type_name("URL")
      ->needs(pkcs12);
}

} // namespace

CommandWork DefineMediaCommand(CLI::App& drs) {
  CLI::App* command = drs.add_subcommand(
      "media", "makes an installation medium in DIR: PAYLOAD (your N_SETUP.EXE and its files) "
               "packed into N_SETUP.DRS and checked, with SETUP.EXE (signed if asked) and "
               "AUTORUN.INF beside it; optionally also a CD image and a floppy image of it");
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
                   std::string("the volume label of the images, ") + VolumeLabelRule +
                       " (default: from PAYLOAD's folder name)")
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
  command->add_flag("--no-autorun", options->NoAutorun,
                    "no AUTORUN.INF beside SETUP.EXE (by default one starts SETUP.EXE when the "
                    "CD goes in; an AUTORUN.INF of your own in DIR is always kept)");
  AddSigningOptions(*command, options->Signing);
  command->add_option("PAYLOAD", options->Payload)->required();
  command->footer(
      "  drs media -o medium --iso nuvik.iso payload\n"
      "      medium/ with N_SETUP.DRS, SETUP.EXE and AUTORUN.INF (which starts SETUP.EXE\n"
      "      when the CD goes in), and the CD image nuvik.iso\n"
      "  drs media -o medium --sign-pkcs12 vendor.p12 --sign-password-file key.txt payload\n"
      "      the same with SETUP.EXE signed by your code-signing certificate\n");
  return [options] { return Media(*options); };
}
