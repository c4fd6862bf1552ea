#include "pack_progress.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

using Clock = std::chrono::steady_clock;

PackProgress::PackProgress(bool quiet, uint64_t totalBytes)
    : Enabled_(!quiet && isatty(2)), TotalBytes_(totalBytes), Start_(Clock::now()), Last_(Start_) {}

void PackProgress::Update(const WriteProgress& progress) {
  if (!Enabled_) return;
  const auto now = Clock::now();
  if (now - Start_ < std::chrono::seconds(1) || now - Last_ < std::chrono::milliseconds(200))
    return;
  Last_ = now;
  Shown_ = true;
  const double ratio =
      progress.BytesRead ? 100.0 * progress.BytesWritten / progress.BytesRead : 0.0;
  std::fprintf(stderr, "\rdrs pack: %zu/%zu entries, %.1f/%.1f MB, %.1f%%   ", progress.EntriesDone,
               progress.EntryCount, progress.BytesRead / 1e6, TotalBytes_ / 1e6, ratio);
}

void PackProgress::Finish() {
  if (Shown_) std::fputc('\n', stderr);
}
