#pragma once

// Creates the directories of `path` one component after the other, starting at the root
// of the current drive, and leaves the last one current. Always returns 1: a component
// that can be neither created nor entered is passed over.
int MakeDirectoryPath(const char* path);
