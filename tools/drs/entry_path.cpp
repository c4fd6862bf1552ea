#include "entry_path.h"

#include <vector>

#include "code_page.h"
#include "format/rules.h"

namespace {

std::vector<std::string> Components(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  parts.push_back(part);
  return parts;
}

bool IsDrive(const std::string& part) {
  return part.size() == 2 && PlaceOf(part.c_str()) == EntryPlace::OtherDrive;
}

// Appends the components that stay inside the target folder; false when one would
// leave it or cannot be a file name here.
bool Append(std::filesystem::path& path, const std::string& text, bool mayStartWithDrive,
            int codePage) {
  const std::vector<std::string> parts = Components(text);
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part.empty() || part == ".") continue;
    if (i == 0 && mayStartWithDrive && IsDrive(part)) continue;
    if (part == "..") return false;
    auto name = NameFromArchiveText(part, codePage);
    if (!name || part.find_first_of(":/") != std::string::npos) return false;
    for (unsigned char c : part)
      if (c < 0x20) return false;
    path /= *name;
  }
  return true;
}

} // namespace

std::optional<UnpackPath> MapEntryPath(const ArchiveEntry& entry, int codePage) {
  UnpackPath result;
  if (!Append(result.Folder, entry.Dir, true, codePage)) return std::nullopt;
  const std::string name = entry.Name;
  if (name.empty()) return result;
  // The bootstrap joins Dir and Name with a backslash, so a backslash inside Name
  // makes folders as well.
  std::filesystem::path file = result.Folder;
  const bool nameStartsPath = entry.Dir[0] == '\0';
  if (!Append(file, name, nameStartsPath, codePage)) return std::nullopt;
  if (file == result.Folder) return std::nullopt;
  result.Folder = file.parent_path();
  result.File = file;
  return result;
}
