// What the staging's parts share, below its front door: the root they work under and
// whether the archive was unpacked whole.
#pragma once

#include <windows.h>

inline constexpr int PathBufferSize = MAX_PATH;

extern char StagingRoot[PathBufferSize]; // the chosen root, upper-cased, no trailing '\'
extern int ExtractOk;                    // 1 once the archive was unpacked whole
