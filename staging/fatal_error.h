#pragma once

// SETUP.EXE's one way out of an extraction that cannot go on: shows `message` in a box
// captioned "Fatal Error" and resumes at FatalErrorJump, where the extraction closes its
// streams and gives back its memory.
[[noreturn]] void FatalError(const char* message);
