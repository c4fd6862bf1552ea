#include "clean_up.h"
#include "message_pump.h"
#include "staging_root.h"
#include "staging_state.h"
#include "work_tree.h"

#include <windows.h>

namespace {

// A setup program that has just closed the window may need a moment to end, much longer
// on a slow or emulated machine; deleted before that, its file and the work directory
// would stay for good. The wait is bounded, since a program may also go on running from
// the work directory after closing the window: 100 steps of 300 ms, ten times what the
// deletions themselves may take.
constexpr int EndWaitSteps = 100;
constexpr DWORD EndWaitStepMs = 300;

} // namespace

void CleanWorkDir() {
  EnterStagingDrive();
  // Where the staging root cannot be reached, nothing else is deleted in its place.
  if (!EnterStagingRoot()) return;
  for (int step = 0; step < EndWaitSteps && ProgramRunsFrom(WorkDirName); ++step) {
    // Woken by a message as well as by the time, so that the thread answers at once.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, EndWaitStepMs, QS_ALLINPUT);
    PumpPendingMessages();
  }
  RemoveFolder(WorkDirName, true);
  char workDir[PathBufferSize];
  if (WorkDirPath(StagingRoot, nullptr, workDir, sizeof workDir)) RemoveDirectoryA(workDir);
}
