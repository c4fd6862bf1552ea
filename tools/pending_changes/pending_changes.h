// What a run of drs changes on disk, taken back unless the run completes: a file or
// folder it made is removed, a file it replaced comes back, a temporary folder goes
// with all it holds. Taken back when the object goes (without Keep()), on a refusal or
// an exception, and also when SIGINT, SIGTERM or SIGHUP (Ctrl+C on Windows) ends the
// program meanwhile.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

class PendingChanges {
public:
  PendingChanges();
  ~PendingChanges();
  PendingChanges(const PendingChanges&) = delete;
  PendingChanges& operator=(const PendingChanges&) = delete;

  // A file this run is about to make (and may rename away in the end).
  void Made(const std::filesystem::path& file);

  // Makes `folder` and the folders above it that are missing, each to be removed
  // again (when empty). Throws std::runtime_error with the reason in words.
  void MakeFolder(const std::filesystem::path& folder);

  // Makes room for `target`: what is there is kept under a temporary name beside it,
  // to come back unless the run completes, and `target` counts as made.
  void Claim(const std::filesystem::path& target);

  // The run is complete: nothing is taken back, and what was kept for it goes.
  void Keep();

private:
  void Register(const std::filesystem::path& path, const std::filesystem::path& saved);

  bool Kept_ = false;
  size_t First_; // this run's first step in the registry the signal handler reads
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> Steps_;
};

// A folder of this run's own under the temporary directory (TMPDIR) or under `parent`,
// NAME-XXXXXXXX, that only this user may enter; removed with everything in it when the
// object goes, unless kept, and when a signal ends the program.
class TemporaryFolder {
public:
  explicit TemporaryFolder(const std::string& name, const std::filesystem::path& parent =
                                                        std::filesystem::temp_directory_path());
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& Path() const { return Path_; }
  // The folder stays, for a look at it.
  void Keep();

private:
  std::filesystem::path Path_;
  bool Kept_ = false;
};

// A tool this run started (openssl, osslsigncode, xorriso, Wine), by its process group:
// when a signal ends drs, the group is ended first, so that nothing it does comes after
// what is taken back. EndedTool once it has ended by itself.
void StartedTool(long group);
void EndedTool(long group);

// In the child process that is to become a tool, before it starts it: the tool gets the
// signals' usual handling, not drs's.
void LeaveSignalsToTool();

// A shell command that ends what a tool left running outside its process group (Wine's
// server and the programs it runs start sessions of their own), run when a signal ends
// drs while the object lives.
class EndingCommand {
public:
  explicit EndingCommand(const std::string& command);
  ~EndingCommand();
  EndingCommand(const EndingCommand&) = delete;
  EndingCommand& operator=(const EndingCommand&) = delete;

private:
  std::string Command_;
};
