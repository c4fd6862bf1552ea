#pragma once

// Chooses StagingRoot, makes the work directory and unpacks N_SETUP.DRS into it; the
// outcome is ExtractOk. Every failure leaves ExtractOk 0, which the caller tells with its
// failure box; the unpacking's own boxes come first and say what failed, except when no
// work directory can be had or the current directory is too long to come back to.
void PrepareStaging();
