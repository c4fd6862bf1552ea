#pragma once

// Chooses StagingRoot, makes the work directory and unpacks N_SETUP.DRS into it; the
// outcome is ExtractOk. Every failure leaves ExtractOk 0, which the caller tells with its
// failure box; a failed unpacking has said what failed in a box of its own before.
void PrepareStaging();
