#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "command_pack.h"

#include "code_page.h"
#include "command_line.h"
#include "format/archive_writer.h"
#include "format/rules.h"
#include "open_file.h"
#include "pack_progress.h"
#include "pending_changes.h"
#include "temporary_path.h"
#include "tree_scan.h"

namespace fs = std::filesystem;

int Pack(const PackOptions& options) {
  const fs::path target(options.Archive);
  std::error_code error;
  if (fs::is_directory(target, error))
    throw ArchiveRefused(ShownName(options.Archive) + ": is a folder; -o names the archive file");
  PendingChanges changes;
  changes.MakeFolder(target.parent_path());
  const bool inside = LiesInside(target, options.Folder);
  if (inside && !options.Quiet)
    std::fprintf(stderr, "drs pack: %s is left out: it is the archive being written\n",
                 ShownName(options.Archive).c_str());
  const std::vector<WriterEntry> entries =
      ScanTree(options.Folder, options.CodePage, inside ? target : fs::path());
  CheckEntries(entries, ArchiveLimits::Bootstrap);
  if (std::none_of(entries.begin(), entries.end(),
                   [](const WriterEntry& entry) { return IsSetupProgram(ViewOf(entry)); }))
    throw ArchiveRefused(ShownName(options.Folder) + ": there is no " + SetupProgramName +
                         " at its top, so SETUP.EXE would have nothing to start");
  uint64_t totalBytes = 0;
  for (const WriterEntry& entry : entries)
    totalBytes += entry.FileSize;

  const fs::path temporary = TemporaryPath(target);
  changes.Made(temporary);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> output(OpenFile(temporary, "wb"), std::fclose);
  if (!output)
    throw ArchiveRefused(ShownName(temporary) + ": cannot be written: " + std::strerror(errno));
  PackProgress progress(options.Quiet, totalBytes);
  WriteArchive(output.get(), entries, ArchiveLimits::Bootstrap, EntryChecksums::Carried,
               [&progress](const WriteProgress& done) { progress.Update(done); });
  progress.Finish();
  if (std::fclose(output.release()) != 0)
    throw ArchiveRefused(ShownName(temporary) + ": cannot be written: " + std::strerror(errno));
  fs::rename(temporary, target, error);
  if (error)
    throw ArchiveRefused(ShownName(options.Archive) + ": cannot be written: " + error.message());
  changes.Keep();
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
