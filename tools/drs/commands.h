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
int MediaCommand(const Arguments& arguments);

// Runs the command of that name; an unknown name is a usage error.
int RunCommand(const std::string& command, const Arguments& arguments);

// Prints the one-line usage on standard error and returns 2.
int UsageError();

// The help of one command, or of drs as a whole for an empty name, on standard output;
// returns 0 (or the usage error for an unknown command).
int PrintHelp(const std::string& command);

// "drs (Nuvik setup tools) VERSION" on standard output; returns 0.
int PrintVersion();

// Reads "--codepage N" at `index`; false when the value is missing or not one of
// 1252 and 949.
bool ParseCodePage(const Arguments& arguments, size_t& index, int* codePage);
