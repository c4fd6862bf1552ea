// The staging area: the work directory N80_INST under the system temporary directory,
// where the archive is unpacked and the setup program started, and its clean-up.
#pragma once

#include <windows.h>

inline constexpr int PathBufferSize = MAX_PATH;

extern char StagingRoot[PathBufferSize]; // the chosen root, upper-cased, no trailing '\'
extern int ExtractOk;                    // 1 once the archive was unpacked whole

// Chooses StagingRoot, makes the work directory and unpacks N_SETUP.DRS into it; the
// outcome is ExtractOk. Every failure has been reported to the user when it returns.
void PrepareStaging();

// Once no program runs from the work directory any more, or after a bounded wait,
// deletes everything in it, never following a link out of it, and removes it.
void CleanWorkDir();

// Dispatches what is queued for the thread without waiting; stops at WM_QUIT, which
// it removes and does not dispatch.
void PumpPendingMessages();
