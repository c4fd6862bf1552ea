// Unpacks N_SETUP.DRS, copied from the bootstrap's directory, into the current
// directory.
#pragma once

#include "runtime/file_stream.h"

extern FileStream* ArchiveStream; // the archive copy, open for the length of one extraction
extern FileStream* OutputStream;  // the file being unpacked, open for one entry at a time

// Returns 1 when the whole directory was worked through, 0 when the table cannot be had,
// the current directory is too long to come back to, or the archive cannot be copied.
// A fatal error does not return: it resumes at FatalErrorJump, which must be armed.
int ExtractArchive(const char* archiveName);

// Releases the directory table, its texts and the stream buffers of an extraction that
// was given up; the streams must be closed first, since they use those buffers.
void ReleaseExtractionMemory();
