#include "staging.h"

#include "extract.h"
#include "fatal_error_jump.h"
#include "staging_root.h"

char StagingRoot[PathBufferSize];
int ExtractOk;

void PrepareStaging() {
  if (__builtin_setjmp(FatalErrorJump)) {
    ExtractOk = 0;
    return;
  }
  // Nothing may be unpacked anywhere but in the work directory.
  if (!EnterWorkDir()) return;
  if (ExtractArchive(ArchiveName)) ExtractOk = 1;
}
