// Where the SETUP.EXE installed with drs lives.
#pragma once

#include <filesystem>

// The bootstrap's file name, on the medium and where it is installed.
inline constexpr char BootstrapFileName[] = "SETUP.EXE";

// Beside the drs program (as the Windows zip unpacks) or in the package's data folder
// relative to it (../share/<package>/ in a Debian or `cmake --install` tree). Throws
// std::runtime_error naming the places looked at when neither holds one.
std::filesystem::path FindInstalledSetup();
