#pragma once

// SETUP.EXE's one way out of an extraction that cannot go on: shows `message` in a box
// captioned "Fatal Error", closes both streams and resumes at FatalErrorJump.
[[noreturn]] void FatalError(const char* message);
