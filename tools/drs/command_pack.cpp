#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "command_line.h"
#include "format/archive_writer.h"
#include "format/rules.h"
#include "pack_progress.h"
#include "temporary_path.h"
#include "tree_scan.h"

namespace fs = std::filesystem;

namespace {

struct PackOptions {
  std::string Archive;
  std::string Folder;
  int CodePage = 0;
  bool Quiet = false;
};

} // namespace

// Writes the archive under a temporary name and renames it only once it is whole, so a
// refusal or a failure never leaves a half-written archive (and never touches an
// existing one).
static int Pack(const PackOptions& options) {
  const fs::path target(options.Archive);
  const fs::path temporary = TemporaryPath(target);
  std::FILE* output = nullptr;
  try {
    const std::vector<WriterEntry> entries = ScanTree(options.Folder, options.CodePage);
    CheckEntries(entries, ArchiveLimits::Bootstrap);
    if (std::none_of(entries.begin(), entries.end(),
                     [](const WriterEntry& entry) { return IsSetupProgram(ViewOf(entry)); }))
      throw ArchiveRefused(options.Folder + ": there is no " + SetupProgramName +
                           " at its top, so SETUP.EXE would have nothing to start");
    uint64_t totalBytes = 0;
    for (const WriterEntry& entry : entries)
      totalBytes += entry.FileSize;
#ifdef _WIN32
    output = _wfopen(temporary.c_str(), L"wb");
#else
    output = std::fopen(temporary.c_str(), "wb");
#endif
    if (!output) throw ArchiveRefused(temporary.string() + ": " + std::strerror(errno));
    PackProgress progress(options.Quiet, totalBytes);
    WriteArchive(output, entries, ArchiveLimits::Bootstrap,
                 [&progress](const WriteProgress& done) { progress.Update(done); });
    progress.Finish();
    const int closed = std::fclose(output);
    output = nullptr;
    if (closed != 0) throw ArchiveRefused(temporary.string() + ": " + std::strerror(errno));
    fs::rename(temporary, target);
  } catch (const std::exception& error) {
    if (output) std::fclose(output);
    std::error_code ignored;
    fs::remove(temporary, ignored);
    std::fprintf(stderr, "drs: %s\n", error.what());
    return 1;
  }
  return 0;
}

CommandWork DefinePackCommand(CLI::App& drs) {
  CLI::App* command =
      drs.add_subcommand("pack", "every file under DIR becomes an entry of ARCHIVE");
  auto options = std::make_shared<PackOptions>();
  command
      ->add_option("-o", options->Archive,
                   "the archive to write (made whole under a temporary name)")
      ->type_name("ARCHIVE")
      ->required()
      ->check(WrittenFileName());
  AddCodePageOption(*command, options->CodePage,
                    "names are converted from UTF-8 to this Windows code page (default: plain "
                    "ASCII only)");
  command->add_flag("-q", options->Quiet,
                    "no progress line (shown on a terminal when packing takes more than a second)");
  command->add_option("DIR", options->Folder)->required();
  return [options] { return Pack(*options); };
}
