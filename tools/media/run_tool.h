// Starting the programs that write the images (xorriso, mtools), found on the PATH.
#pragma once

#include <string>
#include <vector>

// Runs command[0] with the other words as its arguments, each passed unchanged, and
// waits for it. What it prints (standard output and error together) lands in
// `output` rather than on the terminal: the tools chatter even when all goes well.
// Returns its exit code, or -1 when it could not be started.
int RunTool(const std::vector<std::string>& command, std::string* output);
