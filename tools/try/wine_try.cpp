#include "wine_try.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "format/rules.h"
#include "medium_files.h"
#include "pending_changes.h"
#include "prepared_prefix.h"
#include "run_tool.h"
#include "tools/setup_watch/process_arguments.h"
#include "tools/windows_systems/windows_systems.h"

namespace fs = std::filesystem;

namespace {

const char InstallWine[] = "sudo dpkg --add-architecture i386 && sudo apt update && "
                           "sudo apt install wine wine32:i386 xvfb";

// The run's part of the prefix's life, in one shell under one screen: set to the Windows
// version asked for, the watcher run, its server ended. Arguments: the settings file, the
// watcher, SETUP.EXE and the output folder (Windows paths), the timeout, and --attended
// or nothing.
const char RunScript[] = R"(
wine regedit /S "$1" >/dev/null 2>&1
wine "$2" "$3" "$4" --timeout "$5" $6
status=$?
wineserver -k >/dev/null 2>&1
exit $status
)";

// The run's own settings: the Windows version Wine reports and, on the virtual screen,
// which has no window manager, windows that close when asked.
std::string Settings(const std::string& windows, bool attended) {
  std::string settings = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine]\r\n\"Version\"=\"" +
                         std::string(WindowsVersionNamed(windows).WineName) + "\"\r\n";
  if (!attended)
    settings += "\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n\"Managed\"=\"N\"\r\n";
  return settings;
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':'))
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The run's folder is the one drive the run has besides C:; what the run needs lies in it.
const char RunDrive[] = "r:";

// A path inside the run's folder as the run sees it.
std::string RunPath(const fs::path& run, const fs::path& path) {
  std::string windows = "R:\\" + path.lexically_relative(run).string();
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

bool EndsWithProgramName(const std::string& path) {
  const std::string name = std::string("\\") + SetupProgramName;
  if (path.size() < name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (UpperAscii(path[path.size() - name.size() + i]) != name[i]) return false;
  return true;
}

// The setup program's command line as Linux lists it, looked for from outside Wine while
// the run goes: Wine shows a Windows program's command line as its process's arguments.
// The watcher inside cannot reach Linux's process list, and where i386 code runs under
// an emulator it cannot read the setup program's memory either. A process of this run is
// known by the prefix in its environment.
class HandOffLookout {
public:
  explicit HandOffLookout(const fs::path& prefix)
      : Prefix_("WINEPREFIX=" + prefix.string()), Thread_([this] { Watch(); }) {}
  ~HandOffLookout() { Stop(); }
  HandOffLookout(const HandOffLookout&) = delete;
  HandOffLookout& operator=(const HandOffLookout&) = delete;

  // The line seen, once the lookout has stopped; empty: none.
  const std::string& Stop() {
    Done_ = true;
    if (Thread_.joinable()) Thread_.join();
    return Line_;
  }

private:
  void Watch() {
    while (!Done_ && Line_.empty()) {
      std::error_code ignored;
      for (auto item = fs::directory_iterator("/proc", ignored);
           item != fs::directory_iterator() && Line_.empty(); item.increment(ignored)) {
        const std::string pid = item->path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::vector<std::string> environment =
            NulSeparated(ReadFile(item->path() / "environ"));
        if (std::find(environment.begin(), environment.end(), Prefix_) == environment.end())
          continue;
        const std::vector<std::string> arguments = NulSeparated(ReadFile(item->path() / "cmdline"));
        for (size_t i = 0; i + 3 < arguments.size() && Line_.empty(); ++i)
          if (EndsWithProgramName(arguments[i]))
            for (size_t j = i; j < arguments.size(); ++j)
              Line_ += (j == i ? "" : " ") + arguments[j];
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }

  const std::string Prefix_;
  std::atomic<bool> Done_{false};
  std::string Line_;
  std::thread Thread_;
};

// What a tool said, on one line for a refusal, its last 600 bytes at most.
std::string LastSaid(const std::string& output) {
  const std::string line = OneLine(SaidLines(output));
  return line.size() > 600 ? line.substr(line.size() - 600) : line;
}

bool IsCdImage(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  char magic[5] = {};
  in.seekg(0x8001);
  in.read(magic, sizeof magic);
  return in && std::string(magic, sizeof magic) == "CD001";
}

void Unpack(const std::vector<std::string>& command, const char* package, const fs::path& image) {
  std::string output;
  const int status =
      RunPackagedTool(command, package, &output, "is needed to read " + image.string());
  if (status != 0)
    throw std::runtime_error(image.string() + " cannot be read: " + LastSaid(output));
}

// The folder whose SETUP.EXE runs, a copy in the run's folder, read-only: of the medium
// folder, of the folder of a SETUP.EXE named, or the contents of an image.
fs::path MediumFolder(const fs::path& medium, const fs::path& scratch) {
  const fs::path folder = scratch / "medium";
  if (fs::is_directory(medium) || IsNamed(medium, BootstrapFileName)) {
    fs::path source = fs::is_directory(medium) ? medium : medium.parent_path();
    if (source.empty()) source = ".";
    // A medium kept loose in the temporary folder itself would be copied into its own copy.
    const fs::path outer = fs::canonical(source), inner = fs::canonical(scratch);
    if (std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end())
      throw std::runtime_error(medium.string() + ": its folder " + outer.string() +
                               " holds drs try's own run folder; give the medium a folder of "
                               "its own, or set TMPDIR to another folder");
    Unpack({"cp", "-a", "--reflink=auto", source.string() + "/.", folder.string()}, "coreutils",
           medium);
  } else if (!fs::is_regular_file(medium)) {
    throw std::runtime_error(medium.string() + ": no such medium");
  } else if (IsCdImage(medium)) {
    fs::create_directories(folder);
    Unpack(
        {"xorriso", "-osirrox", "on", "-indev", medium.string(), "-extract", "/", folder.string()},
        "xorriso", medium);
  } else if (fs::file_size(medium) == 1474560) {
    fs::create_directories(folder);
    Unpack({"mcopy", "-s", "-p", "-m", "-i", medium.string(), "::/", folder.string() + "/"},
           "mtools", medium);
  } else {
    throw std::runtime_error(medium.string() +
                             " is neither a medium folder, a SETUP.EXE, a CD image nor a 1.44 MB "
                             "floppy image");
  }
  Unpack({"chmod", "-R", "a-w", folder.string()}, "coreutils", medium);
  return folder;
}

// SETUP.EXE as the medium names it, in whatever letter case the image or folder has.
fs::path SetupOf(const fs::path& folder) {
  for (const fs::directory_entry& item : fs::directory_iterator(folder))
    if (IsNamed(item.path(), BootstrapFileName)) return item.path();
  throw std::runtime_error(folder.string() + " holds no SETUP.EXE");
}

// The run's files, as the watch command names them.
struct RunFiles {
  fs::path Settings, Watcher, Setup, Output;
};

// The command that runs the watcher on SETUP.EXE under Wine, in the run's prefix, with
// the locale of the code page asked for, on the virtual screen unless attended.
std::vector<std::string> WatchCommand(const TrySettings& settings, const fs::path& folder,
                                      const fs::path& prefix, const RunFiles& files) {
  std::vector<std::string> command = {
      "env", std::string("LC_ALL=") + KnownCodePageNumbered(settings.Target.CodePage).Locale};
  for (const std::string& word : WineEnvironment(prefix))
    command.push_back(word);
  if (!settings.Attended)
    command.insert(command.end(), {"xvfb-run", "-a", "-s", "-screen 0 1024x768x24"});
  command.insert(command.end(),
                 {"sh", "-c", RunScript, "sh", RunPath(folder, files.Settings),
                  RunPath(folder, files.Watcher), RunPath(folder, files.Setup),
                  RunPath(folder, files.Output), std::to_string(settings.TimeoutSeconds),
                  settings.Attended ? "--attended" : ""});
  return command;
}

} // namespace

std::string MissingForTry(bool attended) {
  if (!OnPath("wine"))
    return std::string("drs try runs the medium under Wine, which is not installed; install it "
                       "with: ") +
           InstallWine;
  if (!attended && !OnPath("xvfb-run"))
    return "drs try needs a screen: set DISPLAY, or install the virtual one with: sudo apt "
           "install xvfb";
  return "";
}

TryOutcome TryMedium(const TrySettings& settings) {
  // Files unpacked from a CD image come read-only; the folder goes all the same.
  TemporaryFolder run("drs-try");
  const fs::path setup = SetupOf(MediumFolder(settings.Medium, run.Path()));
  const fs::path output = run.Path() / "watch";
  const fs::path settingsFile = run.Path() / "settings.reg";
  std::ofstream(settingsFile, std::ios::binary)
      << Settings(settings.Target.Windows, settings.Attended);
  const fs::path prefix = run.Path() / "prefix";
  const EndingCommand endWine(EndWineCommand(prefix));
  if (settings.NoCache)
    MakePrefix(prefix);
  else
    CopyPreparedPrefix(prefix);
  fs::create_directory_symlink(fs::absolute(run.Path()), prefix / "dosdevices" / RunDrive);
  const fs::path watcher = run.Path() / "setup_watch.exe";
  fs::copy_file(settings.Watcher, watcher);

  std::string said;
  HandOffLookout lookout(prefix);
  const int status = RunTool(
      WatchCommand(settings, run.Path(), prefix, {settingsFile, watcher, setup, output}), &said);
  const std::string seenHandOff = lookout.Stop();
  const fs::path recordFile = output / "watch.txt";
  if (!fs::exists(recordFile)) {
    std::string reason =
        "the watcher did not run under Wine (exit code " + std::to_string(status) + ")";
    if (!said.empty()) reason += ": " + LastSaid(said);
    if (said.find("wine32") != std::string::npos || said.find("Bad EXE") != std::string::npos)
      reason += std::string("; Wine for 32-bit programs is needed: ") + InstallWine;
    throw std::runtime_error(reason);
  }

  TryOutcome outcome;
  outcome.Record = ParseTryRecord(ReadFile(recordFile));
  if (!outcome.Record.HandOffUnknown.empty() && !seenHandOff.empty()) {
    outcome.Record.HandOffLine = seenHandOff;
    outcome.Record.HandOffUnknown.clear();
  }
  if (!settings.Screenshot.empty() && outcome.Record.SplashImage)
    fs::copy_file(output / "splash.bmp", settings.Screenshot, fs::copy_options::overwrite_existing);
  if (settings.Keep) {
    run.Keep();
    outcome.KeptFolder = run.Path();
  }
  return outcome;
}
