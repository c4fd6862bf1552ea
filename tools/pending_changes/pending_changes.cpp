#include "pending_changes.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <system_error>

#include "temporary_path.h"

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#else
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using Char = fs::path::value_type;
constexpr size_t MaxSteps = 64;
constexpr size_t MaxFolders = 32;
constexpr size_t MaxTools = 32;
constexpr size_t MaxCommands = 32;
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
  Char Folders[MaxFolders][MaxPath];          // temporary folders; an empty one is free
  volatile std::sig_atomic_t Tools[MaxTools]; // process groups of running tools; 0: free
  char Commands[MaxCommands][MaxPath];        // ending commands; an empty one is free
  bool HandlersInstalled;
} Pending;

// Every signal that ends a program unless it is caught, but the one that cannot be.
#ifdef _WIN32
const int EndingSignals[] = {SIGINT, SIGTERM};
#else
const int EndingSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGPIPE,   SIGALRM,
                             SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};
#endif

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

// A whole tree, from a signal handler. On Linux by a shell started for it (fork and
// exec are all a handler may use to walk a tree); files unpacked from a CD image come
// read-only, so the folders are made writable first.
void RemoveTree(const Char* folder) {
#ifdef _WIN32
  std::error_code ignored;
  fs::remove_all(folder, ignored);
#else
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", "chmod -R u+w -- \"$0\" 2>/dev/null; rm -rf -- \"$0\"", folder,
          static_cast<char*>(nullptr));
    _exit(127);
  }
  if (child > 0) waitpid(child, nullptr, 0);
#endif
}

// The tools still running, asked to end and, after two seconds, made to: none may write
// into what is taken back after it is.
void EndTools() {
#ifndef _WIN32
  for (int round = 0; round < 40; ++round) {
    bool running = false;
    for (volatile std::sig_atomic_t& group : Pending.Tools) {
      if (!group) continue;
      if (round == 0) kill(-group, SIGTERM);
      if (round == 39) kill(-group, SIGKILL);
      if (waitpid(group, nullptr, round == 39 ? 0 : WNOHANG) == 0)
        running = true;
      else
        group = 0;
    }
    if (!running) return;
    const timespec pause{0, 50000000};
    nanosleep(&pause, nullptr);
  }
#endif
}

// What the tools left running outside their process groups, by the commands that end it.
void RunEndingCommands() {
#ifndef _WIN32
  for (const char* command : Pending.Commands) {
    if (!command[0]) continue;
    const pid_t child = fork();
    if (child == 0) {
      execl("/bin/sh", "sh", "-c", command, static_cast<char*>(nullptr));
      _exit(127);
    }
    if (child > 0) waitpid(child, nullptr, 0);
  }
#endif
}

void TakeBackAllAndDie(int signal) {
  EndTools();
  RunEndingCommands();
  for (std::sig_atomic_t i = Pending.Count; i > 0; --i)
    TakeBack(Pending.Steps[i - 1]);
  Pending.Count = 0;
  for (Char* folder : Pending.Folders)
    if (folder[0]) RemoveTree(folder);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Holds the ending signals back while a change is made and registered, so that no
// signal finds a folder made, or a file moved aside, that the registry does not know yet.
// On Windows the handler runs on a thread of its own and cannot be held back this way.
class SignalsHeld {
public:
  SignalsHeld() {
#ifndef _WIN32
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : EndingSignals)
      sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, &Before_);
#endif
  }
  ~SignalsHeld() {
#ifndef _WIN32
    pthread_sigmask(SIG_SETMASK, &Before_, nullptr);
#endif
  }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
#ifndef _WIN32
  sigset_t Before_;
#endif
};

bool Copy(const fs::path& path, Char* to) {
  const auto& text = path.native();
  if (text.size() >= MaxPath) return false;
  text.copy(to, text.size());
  to[text.size()] = 0;
  return true;
}

void InstallHandlers() {
  if (Pending.HandlersInstalled) return;
  Pending.HandlersInstalled = true;
  for (int signal : EndingSignals)
    std::signal(signal, TakeBackAllAndDie);
}

// The slot in the registry that holds `text`, or null when none does; an empty text finds
// a free one.
template <typename Text, size_t Count>
Text* SlotOf(Text (&slots)[Count][MaxPath], const std::basic_string<Text>& text) {
  for (Text* slot : slots)
    if (text == slot) return slot;
  return nullptr;
}

// Fills a free slot with `text`, published by its first character, written last; false
// when none is free or the text does not fit.
template <typename Text, size_t Count>
bool Publish(Text (&slots)[Count][MaxPath], const std::basic_string<Text>& text) {
  Text* slot = SlotOf(slots, std::basic_string<Text>());
  if (!slot || text.empty() || text.size() >= MaxPath) return false;
  text.copy(slot + 1, text.size() - 1, 1);
  slot[text.size()] = 0;
  std::atomic_signal_fence(std::memory_order_release);
  slot[0] = text[0];
  return true;
}

} // namespace

PendingChanges::PendingChanges() : First_(static_cast<size_t>(Pending.Count)) {
  InstallHandlers();
}

PendingChanges::~PendingChanges() {
  if (!Kept_) {
    std::error_code ignored;
    for (size_t step = Steps_.size(); step-- > 0;) {
      // Out of the signal handler's reach before it is taken back: taken back twice, a
      // file put back would be removed.
      if (First_ + step < static_cast<size_t>(Pending.Count))
        Pending.Count = static_cast<std::sig_atomic_t>(First_ + step);
      fs::remove(Steps_[step].first, ignored);
      if (!Steps_[step].second.empty())
        fs::rename(Steps_[step].second, Steps_[step].first, ignored);
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
  const SignalsHeld held;
  if (!fs::create_directory(folder, error) && !fs::is_directory(folder))
    throw std::runtime_error(folder.string() + ": cannot make this folder: " + error.message());
  Register(folder, fs::path());
}

void PendingChanges::Claim(const fs::path& target) {
  std::error_code error;
  if (!fs::exists(fs::symlink_status(target, error))) return Made(target);
  const fs::path saved = TemporaryPath(target);
  const SignalsHeld held;
  fs::rename(target, saved, error);
  if (error) throw std::runtime_error(target.string() + ": cannot be replaced: " + error.message());
  Register(target, saved);
}

void PendingChanges::Keep() {
  // Out of the signal handler's reach first: from here on the new state is the one kept.
  Pending.Count = static_cast<std::sig_atomic_t>(First_);
  Kept_ = true;
  std::error_code ignored;
  for (const auto& step : Steps_)
    if (!step.second.empty()) fs::remove(step.second, ignored);
}

// Several runs of `drs try --all` make their folders at once: the registry's slots are
// taken one thread at a time (held for a few copies, so a spin will do; the Windows
// toolchain has no std::mutex), and a slot is published by its first character, written
// last.
namespace {

std::atomic_flag FolderSlotsBusy = ATOMIC_FLAG_INIT;

class FolderSlotsLock {
public:
  FolderSlotsLock() {
    while (FolderSlotsBusy.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~FolderSlotsLock() { FolderSlotsBusy.clear(std::memory_order_release); }
};

} // namespace

TemporaryFolder::TemporaryFolder(const std::string& name, const fs::path& parent) {
  InstallHandlers();
  std::random_device random;
  const SignalsHeld held;
  for (int attempt = 0; attempt < 100 && Path_.empty(); ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%08x", static_cast<unsigned>(random()));
    const fs::path candidate = parent / (name + suffix);
    std::error_code error;
    if (fs::create_directory(candidate, error)) Path_ = candidate;
  }
  if (Path_.empty()) throw std::runtime_error("cannot make a folder under " + parent.string());
  fs::permissions(Path_, fs::perms::owner_all, fs::perm_options::replace);
  const FolderSlotsLock lock;
  // More folders at once than the registry holds: only an interrupt would miss the extra.
  Publish(Pending.Folders, Path_.native());
}

TemporaryFolder::~TemporaryFolder() {
  // Removed before it leaves the registry: a signal meanwhile removes it too.
  if (!Kept_) {
    std::error_code ignored;
    for (auto item = fs::recursive_directory_iterator(Path_, ignored);
         item != fs::recursive_directory_iterator(); item.increment(ignored))
      if (item->is_directory(ignored) && !item->is_symlink(ignored))
        fs::permissions(item->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(Path_, ignored);
  }
  const FolderSlotsLock lock;
  if (Char* slot = SlotOf(Pending.Folders, Path_.native())) slot[0] = 0;
}

void TemporaryFolder::Keep() {
  const FolderSlotsLock lock;
  if (Char* slot = SlotOf(Pending.Folders, Path_.native())) slot[0] = 0;
  Kept_ = true;
}

void StartedTool(long group) {
  InstallHandlers();
  for (volatile std::sig_atomic_t& slot : Pending.Tools) {
    std::sig_atomic_t free = 0;
    if (__atomic_compare_exchange_n(const_cast<std::sig_atomic_t*>(&slot), &free,
                                    static_cast<std::sig_atomic_t>(group), false, __ATOMIC_SEQ_CST,
                                    __ATOMIC_SEQ_CST))
      return;
  }
}

void EndedTool(long group) {
  for (volatile std::sig_atomic_t& slot : Pending.Tools)
    if (slot == group) slot = 0;
}

void LeaveSignalsToTool() {
  for (int signal : EndingSignals)
    std::signal(signal, SIG_DFL);
}

EndingCommand::EndingCommand(const std::string& command) : Command_(command) {
  InstallHandlers();
  const FolderSlotsLock lock;
  Publish(Pending.Commands, Command_);
}

EndingCommand::~EndingCommand() {
  const FolderSlotsLock lock;
  if (char* slot = SlotOf(Pending.Commands, Command_)) slot[0] = 0;
}
