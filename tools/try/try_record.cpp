#include "try_record.h"

#include <cstdio>
#include <sstream>

#include "tools/windows_systems/windows_systems.h"

namespace {

// The fields of a line after "key: ", split at tabs (at most `count`; the last keeps the rest).
std::vector<std::string> Fields(const std::string& value, size_t count) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (fields.size() + 1 < count) {
    const size_t tab = value.find('\t', start);
    if (tab == std::string::npos) break;
    fields.push_back(value.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(value.substr(start));
  return fields;
}

void TwoNumbers(const std::string& value, int* first, int* second) {
  std::istringstream in(value);
  in >> *first >> *second;
}

// A box's text on one line of the report: the watcher's "\n" become " / ".
std::string Flat(const std::string& text) {
  std::string flat;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\n") == 0) {
      while (text.compare(i + 2, 2, "\\n") == 0)
        i += 2;
      flat += " / ";
      ++i;
    } else {
      flat += text[i];
    }
  }
  return flat;
}

std::string BoxLine(const TryBox& box) {
  return "\"" + box.Caption + "\" (" +
         (box.Owner == "splash" ? std::string("over the splash")
          : box.Owner == "none" ? std::string("no owner")
                                : "owned by " + box.Owner) +
         "): " + Flat(box.Text);
}

std::string CodePageName(int codePage) {
  return codePage ? std::to_string(codePage) : std::string("?");
}

std::string Ended(const TryRecord& record) {
  if (!record.Started) return "not started";
  if (record.TimedOut) return "stopped (timeout)";
  if (record.ExitCode.size() == 8 && record.ExitCode[0] >= 'C') return "crashed " + record.ExitCode;
  return "exit " + record.ExitCode;
}

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

// A staged file or folder of the record.
void ReadStaged(const std::string& key, const std::string& value, TryRecord* record) {
  TryFile file;
  file.Folder = key == "staged folder";
  if (file.Folder) {
    file.Path = value;
  } else {
    const std::vector<std::string> fields = Fields(value, 2);
    if (fields.size() != 2) return;
    file.Size = std::stoull(fields[0]);
    file.Path = fields[1];
  }
  record->Staged.push_back(file);
}

void ReadRecordLine(const std::string& key, const std::string& value, TryRecord& record) {
  if (key == "code pages") {
    TwoNumbers(value, &record.AnsiCodePage, &record.OemCodePage);
  } else if (key == "windows") {
    const size_t blank = value.find(' ');
    record.WindowsVersion = value.substr(0, blank);
    record.NtFamily = blank != std::string::npos && value.substr(blank + 1) == "nt";
  } else if (key == "screen") {
    TwoNumbers(value, &record.ScreenWidth, &record.ScreenHeight);
  } else if (key == "work directory") {
    record.WorkDirectory = value;
  } else if (key == "work directory unknown") {
    record.WorkDirectoryUnknown = value;
  } else if (key == "started") {
    record.Started = value == "yes";
  } else if (key == "window") {
    record.WindowSeen = true;
    TwoNumbers(value, &record.WindowWidth, &record.WindowHeight);
  } else if (key == "box") {
    const std::vector<std::string> fields = Fields(value, 3);
    if (fields.size() == 3) record.Boxes.push_back({fields[0], fields[1], fields[2]});
  } else if (key == "staged" || key == "staged folder") {
    ReadStaged(key, value, &record);
  } else if (key == "hand-off") {
    record.HandedOff = true;
    record.HandOffLine = value;
  } else if (key == "hand-off unknown") {
    record.HandedOff = true;
    record.HandOffUnknown = value;
  } else if (key == "setup program") {
    record.SetupProgramEnd = value;
  } else if (key == "bootstrap window closed by") {
    record.WindowClosedBy = value;
  } else if (key == "exit code") {
    const size_t blank = value.find(' ');
    record.ExitCode = value.substr(0, blank);
    record.TimedOut = blank != std::string::npos;
  } else if (key == "work directory left") {
    record.WorkDirectoryLeft = value == "yes";
  } else if (key == "splash image") {
    record.SplashImage = true;
  }
}

// The system the run was on, and where it is not the one asked for.
std::string SystemLines(const TryTarget& target, const TryRecord& record) {
  std::string lines =
      "system: Windows " + target.Windows + " (reports version " + record.WindowsVersion +
      (record.NtFamily ? ", NT family" : ", Windows 95 family") + "), code page " +
      CodePageName(record.AnsiCodePage) + " (OEM " + CodePageName(record.OemCodePage) + ")\n";
  const std::string seen = record.WindowsVersion + (record.NtFamily ? " nt" : " 95");
  if (seen != ExpectedVersion(target.Windows))
    lines += "  note: Wine did not take the version asked for\n";
  if (record.AnsiCodePage != target.CodePage)
    lines += "  note: code page " + std::to_string(target.CodePage) +
             " was asked for; is its locale installed (locale -a)?\n";
  return lines;
}

// What was staged (or left behind), file by file.
std::string StagedLines(const TryRecord& record) {
  uint64_t bytes = 0;
  size_t files = 0;
  for (const TryFile& file : record.Staged)
    if (!file.Folder) {
      bytes += file.Size;
      ++files;
    }
  std::string lines = record.WorkDirectoryUnknown.empty()
                          ? std::string(record.HandedOff ? "staged" : "left") + " in " +
                                record.WorkDirectory + ": " + std::to_string(files) + " files, " +
                                std::to_string(bytes) + " bytes\n"
                          : "staged: unknown (" + record.WorkDirectoryUnknown + ")\n";
  for (const TryFile& file : record.Staged) {
    char size[24];
    std::snprintf(size, sizeof size, "%12llu", static_cast<unsigned long long>(file.Size));
    lines += "  " +
             (file.Folder ? std::string(12, ' ') + "  " + file.Path + "\\"
                          : std::string(size) + "  " + file.Path) +
             "\n";
  }
  return lines;
}

} // namespace

TryRecord ParseTryRecord(const std::string& text) {
  TryRecord record;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    ReadRecordLine(line.substr(0, colon), line.substr(colon + 2), record);
  }
  return record;
}

std::string ExpectedVersion(const std::string& windows) {
  return WindowsVersionNamed(windows).Reported;
}

std::string DescribeRun(const TryTarget& target, const TryRecord& record) {
  std::string report;
  auto line = [&report](const std::string& text) { report += text + "\n"; };
  report += SystemLines(target, record);
  if (!record.Started) {
    line("SETUP.EXE could not be started");
    return report;
  }
  if (record.WindowSeen)
    line("splash: " + std::to_string(record.WindowWidth) + " x " +
         std::to_string(record.WindowHeight) +
         (record.WindowWidth == record.ScreenWidth && record.WindowHeight == record.ScreenHeight
              ? ", the whole screen"
              : " on a screen of " + std::to_string(record.ScreenWidth) + " x " +
                    std::to_string(record.ScreenHeight)));
  else
    line("splash: not shown");
  line("message boxes: " + std::to_string(record.Boxes.size()));
  for (const TryBox& box : record.Boxes)
    line("  " + BoxLine(box));
  report += StagedLines(record);
  if (record.HandedOff) {
    line("hand-off: " + (record.HandOffUnknown.empty() ? record.HandOffLine
                                                       : "unknown (" + record.HandOffUnknown +
                                                             "); the setup program started"));
    line("  the setup program " + record.SetupProgramEnd +
         "; the bootstrap's window was closed by " + record.WindowClosedBy);
  } else {
    line("hand-off: none; the setup program was not started");
  }
  line("bootstrap: " + (record.TimedOut ? std::string("did not end by itself; stopped")
                        : record.ExitCode.size() == 8 && record.ExitCode[0] >= 'C'
                            ? "crashed (exception " + record.ExitCode + ")"
                            : "ended with exit code " + record.ExitCode));
  line("work directory: " + (!record.WorkDirectoryUnknown.empty()
                                 ? "unknown (" + record.WorkDirectoryUnknown + ")"
                             : record.WorkDirectoryLeft ? std::string("still there")
                                                        : std::string("removed")));
  return report;
}

std::string RunTable(const std::vector<std::pair<TryTarget, TryRecord>>& runs) {
  std::vector<std::string> boxes; // distinct boxes, numbered from 1
  std::string table = "windows  code page  splash      boxes    staged     setup program  "
                      "bootstrap     work directory\n";
  for (const auto& [target, record] : runs) {
    std::string numbers;
    for (const TryBox& box : record.Boxes) {
      const std::string text = BoxLine(box);
      size_t number = 0;
      while (number < boxes.size() && boxes[number] != text)
        ++number;
      if (number == boxes.size()) boxes.push_back(text);
      if (!numbers.empty()) numbers += ',';
      numbers += std::to_string(number + 1);
    }
    size_t files = 0;
    for (const TryFile& file : record.Staged)
      files += file.Folder ? 0 : 1;
    std::string codePage = std::to_string(target.CodePage);
    if (record.AnsiCodePage != target.CodePage)
      codePage += " got " + CodePageName(record.AnsiCodePage);
    table +=
        Padded(target.Windows, 9) + Padded(codePage, 11) +
        Padded(record.WindowSeen
                   ? std::to_string(record.WindowWidth) + "x" + std::to_string(record.WindowHeight)
                   : "none",
               12) +
        Padded(numbers.empty() ? "-" : numbers, 9) + Padded(std::to_string(files) + " files", 11) +
        Padded(record.HandedOff ? "started" : "NOT started", 15) + Padded(Ended(record), 14) +
        (!record.WorkDirectoryUnknown.empty() ? "unknown"
         : record.WorkDirectoryLeft           ? "left"
                                              : "removed") +
        "\n";
  }
  if (!boxes.empty()) table += "boxes:\n";
  for (size_t i = 0; i < boxes.size(); ++i)
    table += "  " + std::to_string(i + 1) + " " + boxes[i] + "\n";
  return table;
}
