// Walking the work directory without ever leaving it. A link or junction (what the NT
// family marks as a reparse point) is never entered: what it points to is not ours.
#pragma once

// Removes the folder `name` with everything in it, names beginning with "." and
// sub-folders too; a linked folder is removed as a link, never emptied. A file that
// cannot be deleted stays, tried again while `retry` allows: at most 10 attempts, 300 ms
// apart, pumping the thread's messages between them. A file in place of the folder is
// left alone.
void RemoveFolder(const char* name, bool retry);

// Whether a program may still run from the folder `name`: a program file (.EXE, .DLL)
// at any depth in it that cannot be opened for writing, as a running program's cannot.
bool ProgramRunsFrom(const char* name);
