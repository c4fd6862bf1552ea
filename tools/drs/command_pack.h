// drs pack as a function, for the commands that pack on their way (drs media).
#pragma once

#include <string>

struct PackOptions {
  std::string Archive;
  std::string Folder;
  int CodePage = 0;
  bool Quiet = false;
};

// Writes the archive under a temporary name and renames it only once it is whole, so a
// refusal, a failure or an interrupt never leaves a half-written archive (and never
// touches an existing one). An archive written into the tree it packs is left out of
// the packing, with the temporary names beside it. Returns 0; throws with the reason.
int Pack(const PackOptions& options);
