#pragma once

// Copies the file `archiveName` from the directory that holds the bootstrap into the
// current directory; false when the whole file could not be copied, or when this
// bootstrap is sealed and the file is not the archive it was sealed for.
bool CopyArchive(const char* archiveName);
