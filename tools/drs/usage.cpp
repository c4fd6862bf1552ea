// The command line as people read it: the one-line usage, `drs --help`, `drs COMMAND
// --help` and `drs --version`, all from the tables below. The manual page is made from
// `--help` and `--version` at build time, so these tables are its only source.
#include <cstdio>
#include <cstring>
#include <string>

#include "code_page.h"
#include "commands.h"

namespace {

struct CommandText {
  const char* Name;
  int (*Run)(const Arguments& arguments);
  const char* Operands;
  const char* Summary;
};

const CommandText Commands[] = {
    {"list", ListCommand, "ARCHIVE",
     "one line per entry: size, DOS date and time, nt-skip, Dir\\Name"},
    {"verify", VerifyCommand, "ARCHIVE",
     "the media check: what SETUP.EXE does with the archive on the Windows 95 family and on the "
     "NT family, entry by entry; exit 0 only when both install it whole and start N_SETUP.EXE"},
    {"unpack", UnpackCommand, "[--nt] [--codepage 1252|949] ARCHIVE DIR",
     "writes under DIR what SETUP.EXE writes, entry by entry in its order, and stops where it "
     "stops"},
    {"pack", PackCommand, "-o ARCHIVE [--codepage 1252|949] [-q] DIR",
     "every file under DIR becomes an entry of ARCHIVE"},
    {"media", MediaCommand,
     "-o DIR [--iso FILE] [--floppy FILE] [--label NAME] [--setup FILE] [--codepage 1252|949] "
     "[-q] PAYLOAD",
     "makes an installation medium in DIR: PAYLOAD (your N_SETUP.EXE and its files) packed "
     "into N_SETUP.DRS and checked, with SETUP.EXE beside it; optionally also a CD image and a "
     "floppy image of it"},
};

struct OptionText {
  const char* Option;
  const char* Meaning;
  const char* UsedBy; // the commands that take it, each followed by a space
};

const OptionText Options[] = {
    {"-o ARCHIVE", "pack: the archive to write (made whole under a temporary name)", "pack "},
    {"-o DIR", "media: the folder of the medium, made when missing", "media "},
    {"--nt", "unpack: as the Windows NT family does (default: the Windows 95 family)", "unpack "},
    {"--codepage 1252|949",
     "names are converted between UTF-8 and this Windows code page (default: plain ASCII only)",
     "unpack pack media "},
    {"-q", "no progress line (shown on a terminal when packing takes more than a second)",
     "pack media "},
    {"--iso FILE",
     "media: also an ISO 9660 CD image of the medium (level 1 names, Joliet, the label), "
     "written by xorriso",
     "media "},
    {"--floppy FILE",
     "media: also a 1.44 MB FAT12 floppy image, written by mtools; refused when the medium "
     "does not fit",
     "media "},
    {"--label NAME",
     "media: the volume label of the images, 1 to 11 letters, digits or _ (default: from "
     "PAYLOAD's folder name)",
     "media "},
    {"--setup FILE",
     "media: the SETUP.EXE to put on the medium (default: the one installed with drs)", "media "},
    {"--help", "this help; after a command, that command's help", ""},
    {"--version", "the version of drs", ""},
};

const char ExitStatus[] = "Exit status:\n"
                          "  0 done, 1 refused or damaged (with a message on standard error), "
                          "2 usage error.\n";

bool UsedBy(const OptionText& option, const std::string& command) {
  return std::strstr(option.UsedBy, (command + " ").c_str()) != nullptr;
}

// Prints `text` after `lead` in lines of at most 79 columns, the lines after the first
// indented to the width of `lead`.
void PrintWrapped(const std::string& lead, const std::string& text) {
  std::string line = lead;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (line.size() > lead.size() && line.size() + 1 + word.size() > 79) {
      std::puts(line.c_str());
      line = std::string(lead.size(), ' ');
    }
    line += (line.size() > lead.size() ? " " : "") + word;
    start = end + 1;
  }
  std::puts(line.c_str());
}

void PrintOptions(const std::string& command) {
  std::puts("Options:");
  char lead[32];
  for (const OptionText& option : Options) {
    if (!command.empty() && !UsedBy(option, command)) continue;
    std::snprintf(lead, sizeof lead, "  %-21s", option.Option);
    PrintWrapped(lead, option.Meaning);
  }
}

} // namespace

int UsageError() {
  std::string line = "usage:";
  for (const CommandText& command : Commands)
    line += std::string(&command == Commands ? " " : " | ") + "drs " + command.Name + " " +
            command.Operands;
  std::fprintf(stderr, "%s\n", line.c_str());
  return 2;
}

int RunCommand(const std::string& command, const Arguments& arguments) {
  for (const CommandText& text : Commands)
    if (command == text.Name) return text.Run(arguments);
  return UsageError();
}

int PrintHelp(const std::string& command) {
  if (command.empty()) {
    const char* lead = "Usage:";
    for (const CommandText& text : Commands) {
      std::printf("%s drs %s %s\n", lead, text.Name, text.Operands);
      lead = "  or: ";
    }
    std::printf("%s drs --help | --version\n", lead);
    std::puts("Makes and inspects N_SETUP.DRS, the archive that the setup bootstrap SETUP.EXE "
              "unpacks,\nand makes installation media from a folder of installer files.\n");
    std::puts("Commands:");
    char name[16];
    for (const CommandText& text : Commands) {
      std::snprintf(name, sizeof name, "  %-8s", text.Name);
      PrintWrapped(name, text.Summary);
    }
    std::puts("");
    PrintOptions(command);
    std::printf("\n%s", ExitStatus);
    return 0;
  }
  for (const CommandText& text : Commands) {
    if (command != text.Name) continue;
    std::printf("Usage: drs %s %s\n", text.Name, text.Operands);
    std::string summary = std::string(text.Summary) + ".";
    summary[0] = static_cast<char>(summary[0] - 'a' + 'A');
    PrintWrapped("", summary);
    std::puts("");
    PrintOptions(command);
    std::printf("\n%s", ExitStatus);
    return 0;
  }
  return UsageError();
}

int PrintVersion() {
  std::printf("drs (Nuvik setup tools) %s\n", NUVIK_VERSION);
  return 0;
}

bool ParseCodePage(const Arguments& arguments, size_t& index, int* codePage) {
  if (index + 1 >= arguments.size()) return false;
  const std::string& value = arguments[++index];
  if (value != "1252" && value != "949") return false;
  *codePage = std::stoi(value);
  return IsSupportedCodePage(*codePage);
}
