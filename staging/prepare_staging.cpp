#include "prepare_staging.h"
#include "staging_state.h"

#include "extract.h"
#include "staging_root.h"

char StagingRoot[PathBufferSize];
int ExtractOk;

void PrepareStaging() {
  // Nothing may be unpacked anywhere but in the work directory.
  if (!EnterWorkDir()) return;
  ExtractOk = ExtractArchive(ArchiveName) ? 1 : 0;
}
