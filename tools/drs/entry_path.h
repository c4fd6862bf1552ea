// Where `drs unpack` puts an entry that the rules write, or make a folder for: under
// the target folder, by the names Windows gives its folders and its file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "format/archive.h"

// The names an entry lands under, in archive text: its folders past the drive or root
// that its Dir begins with ("." and empty components dropped), then its file (none for
// an empty Name), each as Windows keeps it (trailing dots and blanks dropped).
struct LandingNames {
  std::string Start; // "", "\" or "C:\": where the folders begin
  std::vector<std::string> Folders;
  std::string File;
};
LandingNames LandingNamesOf(const ArchiveEntry& entry);

// Start, folders and file joined with backslashes: the path SETUP.EXE's file lands at.
std::string LandingPath(const ArchiveEntry& entry);

struct UnpackPath {
  std::filesystem::path Folder; // relative to the target folder; empty for the folder itself
  std::filesystem::path File;   // relative to the target folder; empty: the entry only makes Folder
};

// The landing names as paths of this machine, relative to the target folder, so that a
// Dir from the root of a drive ("\NUVIK", "C:\NUVIK", "C:") is placed under it; nothing
// when a name has no form in `codePage` here.
std::optional<UnpackPath> MapEntryPath(const ArchiveEntry& entry, int codePage);
