#include "entry_path.h"

#include "code_page.h"
#include "format/rules.h"

LandingNames LandingNamesOf(const ArchiveEntry& entry) {
  LandingNames names;
  const char* first = FirstComponent(entry.Dir);
  names.Start.assign(entry.Dir, static_cast<size_t>(first - entry.Dir));
  if (!names.Start.empty() && names.Start.back() != '\\') names.Start += '\\';
  for (const char* component = first;;) {
    const char* end = ComponentEnd(component, nullptr);
    const char* kept = KeptEnd(component, end, true);
    if (kept != component) names.Folders.emplace_back(component, kept);
    if (!*end) break;
    component = end + 1;
  }
  const std::string name = entry.Name;
  names.File =
      name.substr(0, KeptEnd(name.c_str(), name.c_str() + name.size(), true) - name.c_str());
  return names;
}

std::string LandingPath(const ArchiveEntry& entry) {
  const LandingNames names = LandingNamesOf(entry);
  std::string path = names.Start;
  for (const std::string& folder : names.Folders)
    path += folder + '\\';
  return names.File.empty() && !names.Folders.empty() ? path.substr(0, path.size() - 1)
                                                      : path + names.File;
}

std::optional<UnpackPath> MapEntryPath(const ArchiveEntry& entry, int codePage) {
  const LandingNames names = LandingNamesOf(entry);
  UnpackPath result;
  for (const std::string& folder : names.Folders) {
    auto local = NameFromArchiveText(folder, codePage);
    if (!local) return std::nullopt;
    result.Folder /= *local;
  }
  if (names.File.empty()) return result;
  auto local = NameFromArchiveText(names.File, codePage);
  if (!local) return std::nullopt;
  result.File = result.Folder / *local;
  return result;
}
