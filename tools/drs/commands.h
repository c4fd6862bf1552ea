// The drs commands. Each takes the words after its name and returns the exit code:
// 0 done, 1 refused or damaged (with a message on standard error), 2 a usage error.
#pragma once

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int ListCommand(const Arguments& arguments);
int VerifyCommand(const Arguments& arguments);
int UnpackCommand(const Arguments& arguments);
int PackCommand(const Arguments& arguments);

// Prints the one-line usage on standard error and returns 2.
int UsageError();

// Reads "--codepage N" at `index`; false when the value is missing or not one of
// 1252 and 949.
bool ParseCodePage(const Arguments& arguments, size_t& index, int* codePage);
