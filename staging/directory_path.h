#pragma once

// Creates the directories of `path` one component after the other and leaves the last
// one current. A relative path starts in the current directory (the work directory),
// never on a walk of its own path; "\NUVIK" starts at the root of the current drive
// and "C:\NUVIK" at the root of drive C:, or nowhere when that root cannot be entered.
// A component that can be neither created nor entered is passed over: what cannot be
// made shows when the entry's file cannot be opened.
void MakeDirectoryPath(const char* path);
