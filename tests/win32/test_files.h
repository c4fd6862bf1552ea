// Folder walks that the Windows tests share: what a run left behind, and clearing it.
#pragma once

#include <string>
#include <vector>

// Every file under `directory`, sub-directories included, by its path relative to it
// ("SUB\\A.TXT"), in the order the system lists them.
std::vector<std::string> FilesUnder(const std::string& directory);

// Removes `directory` with everything in it, read-only files too.
void RemoveTree(const std::string& directory);
