// Paths in the forms the ANSI calls open and the hand-off line can carry: without a
// blank, which the setup program's command line is split at, and without a character
// the ANSI code page lacks, which the system turns into '?'.
#pragma once

#include <windows.h>

// No blank and no '?' (a character the ANSI code page could not represent). Neither
// byte is ever the second byte of a double-byte character.
bool IsPlainPath(const char* path);

// The short (8.3) form of the system temporary path, plain; false when there is none.
// On the NT family it comes from the wide path, so that a folder named in characters
// the ANSI code page lacks is found.
bool TempPathShortForm(char (&path)[MAX_PATH]);

// Argument 0 as the archive copy and the hand-off use it: as it was given when it is
// plain; else its short form, or the short form of the running program's wide path;
// else as it was given. Returns argument 0 or `buffer`.
const char* PlainArgumentZero(char (&buffer)[MAX_PATH]);
