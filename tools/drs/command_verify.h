// drs verify, the media check, as a function, for the commands that check on their way
// (drs media).
#pragma once

#include <string>

struct VerifyOptions {
  std::string Archive;
  int CodePage = 0;
  bool Quiet = false;
  bool Json = false;
};

// What SETUP.EXE does with the archive on the Windows 95 family and on the NT family;
// exit 0 only when both install it whole (and, on a sealed medium, the archive is the
// one SETUP.EXE was sealed for), 1 with the verdict on standard error otherwise.
int Verify(const VerifyOptions& options);
