#include "tree_scan.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <unordered_set>

#include "code_page.h"
#include "file_stamp.h"
#include "format/rules.h"
#include "open_file.h"

namespace fs = std::filesystem;

namespace {

struct Scanner {
  fs::path Root;
  int CodePage;
  fs::path LeftOut;
  std::vector<WriterEntry> Entries;

  bool IsLeftOut(const fs::path& path, bool inLeftOutFolder) const {
    if (!inLeftOutFolder) return false;
    const std::string name = path.filename().string();
    const std::string leftOut = LeftOut.filename().string();
    return name == leftOut || name.rfind(leftOut + ".drs-tmp", 0) == 0;
  }

  [[noreturn]] static void Refuse(const fs::path& path, const std::string& why) {
    throw ArchiveRefused(ShownName(path) + ": " + why);
  }

  std::string Text(const fs::path& path) const {
    auto text = ArchiveTextFromName(path.filename(), CodePage);
    if (!text)
      Refuse(path, CodePage == 0 ? "the name is not plain ASCII or not a Windows file name "
                                   "(choose --codepage 1252 or 949)"
                                 : "the name has no exact form in code page " +
                                       std::to_string(CodePage) + " or is not a Windows file name");
    return *text;
  }

  static DosStamp Stamp(const fs::path& path) {
    std::error_code error;
    const auto time = fs::last_write_time(path, error);
    if (error) Refuse(path, error.message());
    const auto seconds =
        std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(time));
    return DosStampFromUnixTime(seconds.time_since_epoch().count());
  }

  static void CheckReadable(const fs::path& path) {
    std::FILE* file = OpenFile(path, "rb");
    if (!file) Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    std::fclose(file);
  }

  void AddFile(const fs::path& path, const std::string& dir) {
    CheckReadable(path);
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    if (error) Refuse(path, error.message());
    WriterEntry entry;
    entry.Dir = dir;
    entry.Name = Text(path);
    const DosStamp stamp = Stamp(path);
    entry.DosTime = stamp.DosTime;
    entry.DosDate = stamp.DosDate;
    entry.Source = EntrySource::File;
    entry.File = path;
    entry.FileSize = size;
    Add(std::move(entry));
  }

  // Stops early on a huge tree instead of listing it all only to refuse it.
  void Add(WriterEntry entry) {
    if (Entries.size() == MaxEntries)
      throw ArchiveRefused(ShownName(Root) + ": more than " + std::to_string(MaxEntries) +
                           " files and empty folders; an archive holds at most " +
                           std::to_string(MaxEntries) + " entries");
    Entries.push_back(std::move(entry));
  }

  void AddFolder(const fs::path& folder, const std::string& dir) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) Refuse(folder, "cannot be read: " + error.message());
    std::error_code different;
    const bool inLeftOutFolder =
        !LeftOut.empty() && fs::equivalent(folder, LeftOut.parent_path(), different);
    bool empty = true;
    for (; it != fs::directory_iterator(); it.increment(error)) {
      const fs::path path = it->path();
      if (IsLeftOut(path, inLeftOutFolder)) continue;
      empty = false;
      const fs::file_status status = fs::symlink_status(path, error);
      if (error) Refuse(path, error.message());
      if (fs::is_symlink(status))
        Refuse(path, "is a symbolic link; drs pack does not follow links");
      if (fs::is_directory(status)) {
        const std::string name = Text(path);
        AddFolder(path, dir.empty() ? name : dir + "\\" + name);
      } else if (fs::is_regular_file(status)) {
        AddFile(path, dir);
      } else {
        Refuse(path, "is not a regular file");
      }
    }
    if (error) Refuse(folder, "cannot be read: " + error.message());
    if (empty && !dir.empty()) {
      WriterEntry entry;
      entry.Dir = dir;
      const DosStamp stamp = Stamp(folder);
      entry.DosTime = stamp.DosTime;
      entry.DosDate = stamp.DosDate;
      Add(std::move(entry));
    }
  }
};

std::string JoinedPath(const WriterEntry& entry) {
  return EntryPath(ViewOf(entry));
}

} // namespace

bool LiesInside(const fs::path& path, const fs::path& folder) {
  std::error_code error;
  const fs::path inner = fs::weakly_canonical(fs::absolute(path, error), error);
  const fs::path outer = fs::weakly_canonical(fs::absolute(folder, error), error);
  if (error) return false;
  auto part = inner.begin();
  for (const fs::path& component : outer) {
    if (component.empty()) continue; // a trailing separator
    if (part == inner.end() || *part != component) return false;
    ++part;
  }
  return true;
}

std::vector<WriterEntry> ScanTree(const fs::path& root, int codePage, const fs::path& leftOut) {
  std::error_code error;
  if (!fs::is_directory(root, error)) Scanner::Refuse(root, "is not a folder");
  Scanner scanner{root, codePage, leftOut, {}};
  scanner.AddFolder(root, "");
  std::stable_sort(
      scanner.Entries.begin(), scanner.Entries.end(),
      [](const WriterEntry& a, const WriterEntry& b) { return JoinedPath(a) < JoinedPath(b); });
  // Windows ignores letter case, so two such entries would land in one file.
  std::unordered_set<std::string> seen;
  for (const WriterEntry& entry : scanner.Entries) {
    std::string key = JoinedPath(entry);
    UpperCaseAscii(key.data(), nullptr);
    if (!seen.insert(key).second)
      throw ArchiveRefused(ShownName(root) + ": two entries are named " +
                           ReadableText(JoinedPath(entry), codePage) +
                           " when letter case is ignored, as Windows does");
  }
  return std::move(scanner.Entries);
}
