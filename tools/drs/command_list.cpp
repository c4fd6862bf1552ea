#include <cstdio>

#include "archive_view.h"
#include "command_line.h"
#include "format/dos_time.h"
#include "format/rules.h"

static std::string DateText(const ArchiveEntry& entry) {
  const uint32_t value = JoinDosDateTime(entry.DosTime, entry.DosDate);
  const DosCalendarTime time = SplitDosDateTime(value);
  char text[32];
  if (IsValidDosCalendarTime(time))
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.Year, time.Month,
                  time.Day, time.Hour, time.Minute, time.Second);
  else
    std::snprintf(text, sizeof text, "invalid 0x%08lx", static_cast<unsigned long>(value));
  return text;
}

// One line per entry: size (or "dir" for an entry that only makes its folder), DOS
// date and time, "nt-skip" when the Windows NT family leaves it out, then Dir\Name.
static int List(const std::string& path) {
  ArchiveView archive(path);
  int status = 0;
  for (int i = 0; i < archive.Count(); ++i) {
    const ArchiveEntry& entry = archive.Entry(i);
    char size[16] = "dir";
    if (entry.Name[0] != '\0') {
      uint32_t unpacked;
      if (archive.ReadUnpackedSize(i, &unpacked)) {
        std::snprintf(size, sizeof size, "%lu", static_cast<unsigned long>(unpacked));
      } else {
        std::snprintf(size, sizeof size, "?");
        std::fprintf(stderr, "drs: %s: its data lies outside the archive\n",
                     DescribeEntry(i, entry).c_str());
        status = 1;
      }
    }
    std::printf("%10s  %-19s  %-7s  %s\n", size, DateText(entry).c_str(),
                SkippedOnNt(entry.Name) ? "nt-skip" : "-", EntryPath(entry).c_str());
  }
  return status;
}

CommandWork DefineListCommand(CLI::App& drs) {
  CLI::App* command =
      drs.add_subcommand("list", "one line per entry: size, DOS date and time, nt-skip, Dir\\Name");
  auto archive = std::make_shared<std::string>();
  command->add_option("ARCHIVE", *archive)->required();
  return [archive] { return List(*archive); };
}
