// The one resumption point of the extraction: armed by PrepareStaging before it
// changes drive and directory; FatalError comes back through it with the value 1.
#pragma once

#include <csetjmp>

extern std::jmp_buf FatalErrorJump;
