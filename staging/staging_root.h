// Reaching the staging root and the work directory in it.
#pragma once

#include "format/rules.h" // WorkDirName

// Makes the drive that StagingRoot names current; true when it then is the current drive.
bool EnterStagingDrive();

// Makes StagingRoot the current directory. A root that names only a drive ("C:") means
// that drive's root, not whatever directory the drive has as its current one.
bool EnterStagingRoot();
