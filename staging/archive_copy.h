#pragma once

// How a copy of the archive ended. A full disk is told apart, as the user can mend it.
enum CopyResult { ArchiveNotCopied, ArchiveCopied, ArchiveCopyDiskFull };

// Copies the file `archiveName` from the directory that holds the bootstrap into the
// current directory, saying nothing: ArchiveNotCopied when the whole file could not be
// copied, or when this bootstrap is sealed and the file is not the archive it was sealed
// for.
CopyResult CopyArchive(const char* archiveName);
