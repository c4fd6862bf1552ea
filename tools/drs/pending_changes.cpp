#include "pending_changes.h"

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include "temporary_path.h"

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using Char = fs::path::value_type;
constexpr size_t MaxSteps = 64;
constexpr size_t MaxPath = 4096;

struct Step {
  Char Path[MaxPath];
  Char Saved[MaxPath]; // empty: nothing was there before
};

// The steps of the runs in progress, for the signal handler: the only way a handler
// reaches the program's state is a static one. Count publishes a step only once it is
// written whole, so the handler never reads one half made.
struct Registry {
  Step Steps[MaxSteps];
  volatile std::sig_atomic_t Count;
  bool HandlersInstalled;
} Pending;

// Only calls a signal handler may make: the system's unlink, rmdir and rename (on
// Windows the handler runs on a thread of its own, and rename does not replace).
void TakeBack(const Step& step) {
#ifdef _WIN32
  if (_wunlink(step.Path) != 0) _wrmdir(step.Path);
  if (step.Saved[0]) _wrename(step.Saved, step.Path);
#else
  if (unlink(step.Path) != 0) rmdir(step.Path);
  if (step.Saved[0]) rename(step.Saved, step.Path);
#endif
}

void TakeBackAllAndDie(int signal) {
  for (std::sig_atomic_t i = Pending.Count; i > 0; --i)
    TakeBack(Pending.Steps[i - 1]);
  Pending.Count = 0;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

bool Copy(const fs::path& path, Char* to) {
  const auto& text = path.native();
  if (text.size() >= MaxPath) return false;
  text.copy(to, text.size());
  to[text.size()] = 0;
  return true;
}

} // namespace

PendingChanges::PendingChanges() : First_(static_cast<size_t>(Pending.Count)) {
  if (Pending.HandlersInstalled) return;
  Pending.HandlersInstalled = true;
  std::signal(SIGINT, TakeBackAllAndDie);
  std::signal(SIGTERM, TakeBackAllAndDie);
#ifndef _WIN32
  std::signal(SIGHUP, TakeBackAllAndDie);
#endif
}

PendingChanges::~PendingChanges() {
  if (!Kept_) {
    std::error_code ignored;
    for (auto step = Steps_.rbegin(); step != Steps_.rend(); ++step) {
      fs::remove(step->first, ignored);
      if (!step->second.empty()) fs::rename(step->second, step->first, ignored);
    }
  }
  Pending.Count = static_cast<std::sig_atomic_t>(First_);
}

void PendingChanges::Register(const fs::path& path, const fs::path& saved) {
  Steps_.emplace_back(path, saved);
  const size_t index = static_cast<size_t>(Pending.Count);
  // A run with more steps than the registry holds still takes them back on a refusal;
  // only an interrupt would miss the extra ones, and no command makes that many.
  if (index >= MaxSteps) return;
  Step& step = Pending.Steps[index];
  step.Saved[0] = 0;
  if (Copy(path, step.Path) && (saved.empty() || Copy(saved, step.Saved)))
    Pending.Count = static_cast<std::sig_atomic_t>(index + 1);
}

void PendingChanges::Made(const fs::path& file) {
  Register(file, fs::path());
}

void PendingChanges::MakeFolder(const fs::path& folder) {
  std::error_code error;
  if (folder.empty() || fs::is_directory(folder, error)) return;
  MakeFolder(folder.parent_path());
  if (!fs::create_directory(folder, error) && !fs::is_directory(folder))
    throw std::runtime_error(folder.string() + ": cannot make this folder: " + error.message());
  Register(folder, fs::path());
}

void PendingChanges::Claim(const fs::path& target) {
  std::error_code error;
  if (!fs::exists(fs::symlink_status(target, error))) return Made(target);
  const fs::path saved = TemporaryPath(target);
  fs::rename(target, saved, error);
  if (error) throw std::runtime_error(target.string() + ": cannot be replaced: " + error.message());
  Register(target, saved);
}

void PendingChanges::Keep() {
  Kept_ = true;
  std::error_code ignored;
  for (const auto& step : Steps_)
    if (!step.second.empty()) fs::remove(step.second, ignored);
}
