#pragma once

// The first word of the command line as the runtime split it (quotes removed), or
// the module file name when the command line is empty: where the bootstrap was
// started from. It locates the archive and is handed on to the setup program.
const char* ArgumentZero();
