// The setup program as the watcher finds it: a process that the bootstrap started,
// which belongs to no handle of ours. Found by its parent, read for the command line
// it received, and ended the way a user ends a program.
#pragma once

#include <windows.h>

#include <string>

// A running process started by `parent` whose program file is named `name` (any letter
// case), opened to be read, waited for and ended, with its id in `id`; null when there
// is none.
HANDLE OpenChildProcess(DWORD parent, const char* name, DWORD* id);

// The command line the process was started with, in UTF-8; false while the process is
// still too young to have one, or when it cannot be read.
bool ReadCommandLine(HANDLE process, std::string* commandLine);

// The process's program file, in UTF-8; empty when it cannot be learnt. The system keeps
// it apart from the process's memory, so it is known also where that cannot be read.
std::string ProgramPath(HANDLE process);

// Asks every top-level window of the process to close, waits up to `waitMs` for the
// process to end, and ends it when it does not.
void EndProcessGently(HANDLE process, DWORD processId, DWORD waitMs);

// Wide text as UTF-8, and text of the ANSI code page as UTF-8.
std::string Utf8(const wchar_t* text, int length);
std::string AnsiToUtf8(const std::string& text);
