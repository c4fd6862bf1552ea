#pragma once

// Copies the file `archiveName` from the directory that holds the bootstrap into the
// current directory; false when the whole file could not be copied.
bool CopyArchive(const char* archiveName);
