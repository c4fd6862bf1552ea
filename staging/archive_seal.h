#pragma once

#include "format/seal.h"

// What drs wrote into this SETUP.EXE's slot; unsealed as built.
extern const ArchiveSeal Seal;
