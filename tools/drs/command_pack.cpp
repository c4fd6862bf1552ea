#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "commands.h"
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

bool Parse(const Arguments& arguments, PackOptions* options) {
  bool haveFolder = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "-o") {
      if (i + 1 >= arguments.size() || !options->Archive.empty()) return false;
      options->Archive = arguments[++i];
    } else if (word == "--codepage") {
      if (!ParseCodePage(arguments, i, &options->CodePage)) return false;
    } else if (word == "-q") {
      options->Quiet = true;
    } else if (!haveFolder && !word.empty() && word[0] != '-') {
      options->Folder = word;
      haveFolder = true;
    } else {
      return false;
    }
  }
  return haveFolder && !options->Archive.empty();
}

} // namespace

// Writes the archive under a temporary name and renames it only once it is whole, so a
// refusal or a failure never leaves a half-written archive (and never touches an
// existing one).
int PackCommand(const Arguments& arguments) {
  PackOptions options;
  if (!Parse(arguments, &options)) return UsageError();
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
