#pragma once

#include <windows.h>

// Copies the file `archiveName` from the directory that holds the bootstrap into the
// current directory. 1 when the whole file was copied, -1 when not.
int CopyArchive(const char* archiveName);

// The length of an open file; its position is left where it was.
LONG GetFileLength(HFILE file);
