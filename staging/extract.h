// Unpacks N_SETUP.DRS, copied from the bootstrap's directory, into the current
// directory.
#pragma once

#include "runtime/file_stream.h"

extern FileStream* ArchiveStream; // the archive copy, open for the length of one extraction
extern FileStream* OutputStream;  // the file being unpacked, open for one entry at a time

// The extraction comes back to the directory it started in by a saved copy of this
// size, terminator included: at most 253 characters.
inline constexpr int SavedDirectorySize = 254;

// True when the whole directory was worked through. False once a box has said what
// failed: the table or a buffer cannot be had, the archive cannot be copied (also when
// the current directory is too long to come back to), read or unpacked. Every way out
// closes both streams and gives back the table, its texts and the buffers.
bool ExtractArchive(const char* archiveName);
