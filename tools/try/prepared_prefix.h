// The Wine prefix `drs try` starts each run from. Making a prefix (wineboot) is most of
// a run's time, minutes where i386 code runs under an emulator; so it is made once per
// Wine version in the user's cache and each run gets a fresh copy of it, to change as it
// likes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The environment words (NAME=value, for env) every Wine of a run is started with:
// quiet, and no downloads of .NET or the HTML engine.
std::vector<std::string> WineEnvironment(const std::filesystem::path& prefix);

// The shell command that ends every Wine program of `prefix`: Wine's server and the
// programs it runs leave the process group of the tool that started them.
std::string EndWineCommand(const std::filesystem::path& prefix);

// Makes a fresh prefix at `prefix` with wineboot, with the settings every run has (no
// crash dialog waiting for a click), closed to Linux: no drive but C:, no device, the
// user's folders its own. Throws std::runtime_error when Wine cannot.
void MakePrefix(const std::filesystem::path& prefix);

// Copies the prepared prefix of the Wine on the PATH to `prefix`, making it first when it
// is missing or was made by another Wine or another drs (saying so on standard error,
// since that takes a while). Two drs making it at once make it once.
void CopyPreparedPrefix(const std::filesystem::path& prefix);

// Where the prepared prefixes live: $XDG_CACHE_HOME/nuvik-setup, else ~/.cache/nuvik-setup.
std::filesystem::path PreparedPrefixFolder();
