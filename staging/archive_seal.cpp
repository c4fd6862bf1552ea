// The seal's slot, as built: unsealed. Apart from the code that reads it, so that the
// compiler cannot take the zeros for granted there.
#include "archive_seal.h"

extern const ArchiveSeal Seal = UnsealedSlot;
