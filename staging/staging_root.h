// Choosing the staging root, and reaching it and the work directory in it.
#pragma once

#include "format/rules.h" // WorkDirName

#include <cstddef>

// Chooses StagingRoot and makes the work directory in it the current directory, made
// afresh by this run (a leftover emptied first, a link never entered). The system
// temporary path as it is given, when it is plain (see ansi_path.h) and the work
// directory can be made in it; else its short form; else the Windows directory's TEMP,
// made where missing, where on the NT family the work directory is closed to other
// users. False when none of them serves.
bool EnterWorkDir();

// The full path of the work directory under `root` (the root, a backslash and N80_INST),
// or, when `name` is not null, of the file of that name in it, into `path` of `size`
// bytes; false when it does not fit.
bool WorkDirPath(const char* root, const char* name, char* path, size_t size);

// Makes the drive that StagingRoot names current; true when it then is the current drive.
bool EnterStagingDrive();

// Makes StagingRoot the current directory. A root that names only a drive ("C:") means
// that drive's root, not whatever directory the drive has as its current one.
bool EnterStagingRoot();

// Whether the installation staged under the roots a start may choose is over: no program
// runs from a work directory there, the setup program included (a running program's file
// cannot be opened for writing, on either family). False also when no staged setup
// program is found.
bool StagedSetupProgramEnded();
