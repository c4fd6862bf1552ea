// Where the SETUP.EXE installed with drs lives, and the watcher `drs try` runs it with.
#pragma once

#include <filesystem>
#include <string>

#include "medium_files.h"

// Beside the drs program (as the Windows zip unpacks) or in the package's data folder
// relative to it (../share/<package>/ in a Debian or `cmake --install` tree). Throws
// std::runtime_error naming the places looked at when neither holds one.
std::filesystem::path FindInstalledSetup();

// The same places for another file installed with drs; the refusal names `option` as
// the way to name one.
std::filesystem::path FindInstalledFile(const std::string& name, const std::string& option);
