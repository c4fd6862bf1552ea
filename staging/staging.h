// The staging area: the work directory N80_INST under the system temporary directory,
// where the archive is unpacked and the setup program started, and its clean-up. The
// front door for the launcher, the tests and the benchmarks; the parts inside include
// what they use of it directly.
#pragma once

#include "clean_up.h"
#include "message_pump.h"
#include "prepare_staging.h"
#include "staging_state.h"
