// Where `drs unpack` puts an entry: a path under the target folder, never outside it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "format/archive.h"

struct UnpackPath {
  std::filesystem::path Folder; // relative to the target folder; empty for the folder itself
  std::filesystem::path File;   // relative to the target folder; empty: the entry only makes Folder
};

// Splits Dir\Name at backslashes. Empty and "." components are dropped, so a Dir
// from the root of a drive ("\NUVIK") and a leading drive ("C:") are taken relative to
// the target folder, as they would be inside the work directory. Nothing is returned
// (the entry is refused) for a ".." component, for any other ':' (drive-relative
// paths, alternate data streams), for '/' or control characters, or for names without
// a form in `codePage`.
std::optional<UnpackPath> MapEntryPath(const ArchiveEntry& entry, int codePage);
