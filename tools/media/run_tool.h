// Starting the outside programs drs works with (xorriso, mtools, openssl, osslsigncode,
// Wine), found on the PATH, and telling in one line what they said.
#pragma once

#include <string>
#include <vector>

// Runs command[0] with the other words as its arguments, each passed unchanged, and
// waits for it. What it prints (standard output and error together) lands in
// `output` rather than on the terminal: the tools chatter even when all goes well.
// Returns its exit code, or -1 when it could not be started.
int RunTool(const std::vector<std::string>& command, std::string* output);

// RunTool for a tool of a Debian package: one that cannot be started is refused with the
// package to install, as "TOOL MISSING (Debian package PACKAGE)".
int RunPackagedTool(const std::vector<std::string>& command, const char* package,
                    std::string* output,
                    const std::string& missing = "cannot be started: is it installed?");

// The lines of what a tool said that hold more than blanks.
std::vector<std::string> SaidLines(const std::string& output);

// Lines for a message on one line, joined with "; ".
std::string OneLine(const std::vector<std::string>& lines);
