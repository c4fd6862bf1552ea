// The one resumption point of the extraction: armed by ExtractArchive for as long as it
// runs, which owns what must be given back; FatalError comes back through it with the
// value 1.
// A jump buffer of the compiler's own non-local jump, __builtin_setjmp and
// __builtin_longjmp, which needs no runtime library.
#pragma once

extern void* FatalErrorJump[5];
