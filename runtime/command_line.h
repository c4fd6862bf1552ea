// The command line as a C runtime's start-up would split it, for a program that has
// no C runtime.
#pragma once

// Where argument 0 of `commandLine` ends: a word that begins with a double quote runs
// to the closing quote, blanks included; any other word to the first blank or tab.
const char* SkipArgumentZero(const char* commandLine);

// Argument 0 with its enclosing quotes removed, or the module file name when that is
// empty: where the bootstrap was started from. It locates the archive and is handed on
// to the setup program. Valid until the next call.
const char* ArgumentZero();
