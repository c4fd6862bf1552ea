// Where a file is made before it is renamed into place.
#pragma once

#include <filesystem>

// A free name beside `target` (so that the final rename stays on one file system and
// replaces the target in one step).
std::filesystem::path TemporaryPath(const std::filesystem::path& target);
