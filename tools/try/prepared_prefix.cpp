#include "prepared_prefix.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "pending_changes.h"
#include "run_tool.h"

namespace fs = std::filesystem;

namespace {

// Settings every run shares, made part of the prepared prefix: no crash dialog that would
// wait for a click.
const char SharedSettings[] = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"
                              "\"ShowCrashDialog\"=dword:00000000\r\n";

// Made and ended in one shell: the registry is on disk only once the server has ended.
const char MakeScript[] = R"(
wineboot -i >/dev/null 2>&1 || { echo "wineboot could not make the prefix"; exit 3; }
wine regedit /S "$1" >/dev/null 2>&1
wineserver -w
)";

// What made a prepared prefix, kept in it: another Wine or another drs makes it again.
const char StampName[] = "drs-prepared.txt";

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A lock on a file beside the prefix, held while the object lives; shared while copying,
// exclusive while making.
class PrefixLock {
public:
  explicit PrefixLock(const fs::path& file) : File_(open(file.c_str(), O_RDWR | O_CREAT, 0600)) {
    if (File_ < 0)
      throw std::runtime_error(file.string() + ": cannot be opened to lock the prefix");
  }
  ~PrefixLock() { close(File_); }
  PrefixLock(const PrefixLock&) = delete;
  PrefixLock& operator=(const PrefixLock&) = delete;
  void Take(int how) {
    while (flock(File_, how) != 0)
      if (errno != EINTR) throw std::runtime_error("the prepared prefix cannot be locked");
  }

private:
  int File_;
};

// The prefix keeps a medium's programs to itself: no drive or device of Linux's (Wine maps
// Z: to the whole file system and COM1 to a serial port), and the user's folders real
// folders rather than links to the home folder.
void Enclose(const fs::path& prefix) {
  for (const fs::directory_entry& item : fs::directory_iterator(prefix / "dosdevices"))
    if (item.path().filename() != "c:") fs::remove(item.path());
  for (const fs::directory_entry& user : fs::directory_iterator(prefix / "drive_c" / "users"))
    for (const fs::directory_entry& folder : fs::directory_iterator(user.path()))
      if (folder.is_symlink()) {
        fs::remove(folder.path());
        fs::create_directory(folder.path());
      }
}

} // namespace

// Wine's own architecture for the prefix: with the 64-bit Wine installed (as `apt install
// wine` does), Wine's own programs (the services, the desktop) run as 64-bit code, so only
// the medium's programs run under qemu where i386 code is emulated. A 32-bit prefix there
// emulates them all: its runs took minutes and its bootstrap died when hiding its window.
std::vector<std::string> WineEnvironment(const fs::path& prefix) {
  return {"WINEPREFIX=" + prefix.string(), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=",
          // Where i386 code runs under qemu, Wine starts in seconds only in a small
          // address space.
          std::string("QEMU_RESERVED_VA=") +
              (std::getenv("QEMU_RESERVED_VA") ? std::getenv("QEMU_RESERVED_VA") : "0x82000000")};
}

std::string EndWineCommand(const fs::path& prefix) {
  std::string quoted = "'";
  for (char c : prefix.string())
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return "WINEPREFIX=" + quoted + "' wineserver -k >/dev/null 2>&1";
}

void MakePrefix(const fs::path& prefix) {
  const EndingCommand endWine(EndWineCommand(prefix));
  const fs::path settings = prefix.parent_path() / (prefix.filename().string() + ".reg");
  std::ofstream(settings, std::ios::binary) << SharedSettings;
  // No screen: wineboot shows nothing worth one.
  std::vector<std::string> command = {"env", "-u", "DISPLAY"};
  for (const std::string& word : WineEnvironment(prefix))
    command.push_back(word);
  std::string windowsPath = "Z:" + settings.string();
  for (char& c : windowsPath)
    if (c == '/') c = '\\';
  command.insert(command.end(), {"sh", "-c", MakeScript, "sh", windowsPath});
  std::string said;
  const int status = RunTool(command, &said);
  std::error_code ignored;
  fs::remove(settings, ignored);
  if (status != 0 || !fs::is_directory(prefix / "drive_c"))
    throw std::runtime_error("Wine could not make a prefix (exit code " + std::to_string(status) +
                             "): " + FirstLine(said));
  Enclose(prefix);
}

fs::path PreparedPrefixFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  if (cache && *cache == '/') return fs::path(cache) / "nuvik-setup";
  if (!home || !*home) throw std::runtime_error("no cache folder: neither XDG_CACHE_HOME nor HOME");
  return fs::path(home) / ".cache" / "nuvik-setup";
}

void CopyPreparedPrefix(const fs::path& prefix) {
  std::string version;
  if (RunTool({"wine", "--version"}, &version) != 0)
    throw std::runtime_error("wine --version failed: " + FirstLine(version));
  version = FirstLine(version);
  // The words after the version name what the prefix is, so a prefix of an earlier kind
  // is made again.
  const std::string stamp =
      version + "\ndrs " + NUVIK_VERSION + ", enclosed, Wine's architecture\n";
  std::string name = "wine-prefix-";
  for (char c : version)
    name += isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' ? c : '_';
  const fs::path folder = PreparedPrefixFolder();
  fs::create_directories(folder);
  const fs::path prepared = folder / name;

  PrefixLock lock(folder / (name + ".lock"));
  lock.Take(LOCK_SH);
  if (ReadFile(prepared / StampName) != stamp) {
    lock.Take(LOCK_EX);
    // Another drs may have made it meanwhile.
    if (ReadFile(prepared / StampName) != stamp) {
      std::fprintf(stderr,
                   "drs try: preparing a Wine prefix for %s in %s (once for this Wine: seconds, "
                   "a minute or more where i386 code runs under an emulator)\n",
                   version.c_str(), prepared.c_str());
      // Made beside it and renamed into place, so that a run cut short (by a signal too)
      // leaves no half prefix.
      TemporaryFolder making(name + ".new", folder);
      const fs::path made = making.Path() / "prefix";
      MakePrefix(made);
      std::ofstream(made / StampName, std::ios::binary) << stamp;
      std::error_code ignored;
      fs::remove_all(prepared, ignored);
      fs::rename(made, prepared);
    }
    lock.Take(LOCK_SH);
  }
  std::string said;
  // A copy of its own for each run: the run may change every file in it. Where the file
  // system shares blocks between copies, they are shared.
  if (RunTool({"cp", "-a", "--reflink=auto", prepared.string(), prefix.string()}, &said) != 0)
    throw std::runtime_error("the prepared prefix cannot be copied: " + FirstLine(said));
}
