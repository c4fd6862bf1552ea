#include <cstdio>
#include <memory>

#include "archive_view.h"
#include "code_page.h"
#include "command_line.h"
#include "format/dos_time.h"
#include "format/rules.h"
#include "json_text.h"

namespace {

struct ListOptions {
  std::string Archive;
  int CodePage = 0;
  bool Json = false;
};

// The DOS date and time as a calendar time, or nothing for a value outside the calendar.
bool DateText(const ArchiveEntry& entry, char (&text)[32]) {
  const uint32_t value = JoinDosDateTime(entry.DosTime, entry.DosDate);
  const DosCalendarTime time = SplitDosDateTime(value);
  if (IsValidDosCalendarTime(time)) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.Year, time.Month,
                  time.Day, time.Hour, time.Minute, time.Second);
    return true;
  }
  std::snprintf(text, sizeof text, "invalid 0x%08lx", static_cast<unsigned long>(value));
  return false;
}

void PrintJsonEntry(const ArchiveView& archive, int index, bool sized, uint32_t size,
                    int codePage) {
  const ArchiveEntry& entry = archive.Entry(index);
  char date[32];
  const bool valid = DateText(entry, date);
  std::printf("%s\n  {\"index\": %d, \"dir\": %s, \"name\": %s, \"path\": %s, \"size\": ",
              index ? "," : "", index + 1, JsonString(ReadableText(entry.Dir, codePage)).c_str(),
              JsonString(ReadableText(entry.Name, codePage)).c_str(),
              JsonString(ShownPath(entry, codePage)).c_str());
  if (sized)
    std::printf("%lu", static_cast<unsigned long>(size));
  else
    std::printf("null");
  std::printf(", \"folderOnly\": %s, \"time\": %s, \"ntSkip\": %s}",
              JsonBool(entry.Name[0] == '\0'), valid ? JsonString(date).c_str() : "null",
              JsonBool(SkippedOnNt(entry.Name)));
}

// One line per entry: size (or "dir" for an entry that only makes its folder), DOS
// date and time, "nt-skip" when the Windows NT family leaves it out, then Dir\Name;
// with --json one object per entry.
int List(const ListOptions& options) {
  ArchiveView archive(options.Archive);
  archive.RequirePlausible();
  if (archive.Count() == 0)
    std::fprintf(stderr, "drs: %s: the archive has no entries\n", options.Archive.c_str());
  if (options.Json)
    std::printf("{\"archive\": %s, \"entries\": [", JsonString(options.Archive).c_str());
  int status = 0;
  for (int i = 0; i < archive.Count(); ++i) {
    const ArchiveEntry& entry = archive.Entry(i);
    uint32_t unpacked = 0;
    const bool named = entry.Name[0] != '\0';
    const bool sized = named && archive.ReadUnpackedSize(i, &unpacked);
    if (named && !sized) {
      std::fprintf(stderr, "drs: %s: its data lies outside the archive\n",
                   ShownEntry(i, entry, options.CodePage).c_str());
      status = 1;
    }
    if (options.Json) {
      PrintJsonEntry(archive, i, sized, unpacked, options.CodePage);
      continue;
    }
    char size[16] = "dir";
    if (named) std::snprintf(size, sizeof size, "?");
    if (sized) std::snprintf(size, sizeof size, "%lu", static_cast<unsigned long>(unpacked));
    char date[32];
    DateText(entry, date);
    std::printf("%10s  %-19s  %-7s  %s\n", size, date, SkippedOnNt(entry.Name) ? "nt-skip" : "-",
                ShownPath(entry, options.CodePage).c_str());
  }
  if (options.Json) std::printf("\n]}\n");
  return status;
}

} // namespace

CommandWork DefineListCommand(CLI::App& drs) {
  CLI::App* command =
      drs.add_subcommand("list", "one line per entry: size, DOS date and time, nt-skip, Dir\\Name");
  auto options = std::make_shared<ListOptions>();
  AddCodePageOption(*command, options->CodePage,
                    "names are shown converted from this Windows code page to UTF-8 (default: "
                    "plain ASCII, other bytes as \\xNN)");
  command->add_flag("--json", options->Json,
                    "for scripts: one JSON object, its \"entries\" one object per entry");
  command->add_option("ARCHIVE", options->Archive)->required();
  return [options] { return List(*options); };
}
