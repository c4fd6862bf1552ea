// The entries that `drs pack` makes of a folder.
#pragma once

#include <filesystem>
#include <vector>

#include "format/archive_writer.h"

// Every regular file under `root` becomes an entry: Dir is its folder relative to
// `root` with backslashes (empty directly in `root`), Name its file name, both as
// text of `codePage` (see code_page.h); its time is its modification time. An empty
// folder becomes an entry with its Dir and an empty Name. Entries come in the byte
// order of their joined archive path Dir\Name, so the same tree always gives the same
// list. Symbolic links are refused rather than followed (they could pull in files
// from outside the tree, or loop), and so are other special files, files and folders
// that cannot be read, and names without an exact form: ArchiveRefused says which.
// The Windows build sees links only as the file system reports them; what it presents
// as an ordinary file or folder is packed as one.
// `leftOut`, when given, is a file the scan passes over together with the temporary
// names made beside it (see temporary_path.h): the archive being written into the tree.
std::vector<WriterEntry> ScanTree(const std::filesystem::path& root, int codePage,
                                  const std::filesystem::path& leftOut = {});

// Whether `path` is `folder` or lies under it, links and ".." followed as the system
// follows them; a path not yet made counts by the folders it would be made in.
bool LiesInside(const std::filesystem::path& path, const std::filesystem::path& folder);
