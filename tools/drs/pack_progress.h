// What `drs pack` shows on standard error while it works.
#pragma once

#include <chrono>
#include <cstdint>

#include "format/archive_writer.h"

// Shows entries and bytes done and the ratio so far on one rewritten line, only when
// standard error is a terminal, only when not silenced and only once the work has
// taken a moment: a quick pack prints nothing.
class PackProgress {
public:
  PackProgress(bool quiet, uint64_t totalBytes);
  void Update(const WriteProgress& progress);
  // Ends the line, if one was shown.
  void Finish();

private:
  bool Enabled_;
  bool Shown_ = false;
  uint64_t TotalBytes_;
  std::chrono::steady_clock::time_point Start_;
  std::chrono::steady_clock::time_point Last_;
};
