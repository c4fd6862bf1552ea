// The drs commands. Each takes the words after its name, as `drs COMMAND ...` would,
// and returns the exit code: 0 done, 1 refused or damaged (with a message on standard
// error), 2 a usage error (what is wrong and the command's usage on standard error).
#pragma once

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int VerifyCommand(const Arguments& arguments);
int UnpackCommand(const Arguments& arguments);

// The whole command line after the program's name: a command and its words, or
// `--help`, `--version`.
int RunDrs(const Arguments& words);
