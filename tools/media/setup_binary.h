// Whether a file can be the SETUP.EXE of a medium: the properties the bootstrap is
// built and tested to have, read from the file's headers.
#pragma once

#include <filesystem>

// Throws std::runtime_error naming the file and, in words, what it lacks: a Windows
// program (MZ and PE headers), for i386, 32-bit, of the Windows GUI subsystem, version
// 4.0 or below (so that Windows 95 starts it).
void CheckSetupBinary(const std::filesystem::path& file);
