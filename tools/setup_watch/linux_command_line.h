// The setup program's command line as Linux lists it. Wine runs each Windows process
// as a Linux process whose own arguments are the Windows command line, split at
// blanks; that holds also where i386 code runs under an emulator, which cannot give
// another process's memory to ReadProcessMemory. The watcher reads Linux's process
// list through drive Z: (Z:\proc) where the prefix has one, as the tests' prefixes do;
// `drs try` gives a run no Z: and looks at the list from outside.
#pragma once

#include <string>

// Looks through every process Linux lists for the arguments of the setup program that
// `program` (the bootstrap's name for it, as "N_SETUP.EXE") was started as, with
// `window` (the bootstrap's window, 0: not known) and the bootstrap's argument 0, which
// is `bootstrap` in its long or short form. Processes of other Wine prefixes cannot
// match both. On success `line` holds the command line (UTF-8, fields joined by single
// blanks); otherwise `why` says what stood in the way.
bool FindLinuxCommandLine(const char* program, unsigned long window, const std::wstring& bootstrap,
                          std::string* line, std::string* why);
