#include "volume_label.h"

#include <locale>

namespace {

constexpr size_t MaxLabelLength = 11;

// The letters a to z only, whatever locale the program runs in.
char Upper(char c) {
  return std::use_facet<std::ctype<char>>(std::locale::classic()).toupper(c);
}

bool IsLabelCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

std::optional<std::string> VolumeLabel(const std::string& asked, const std::string& folderName) {
  std::string label;
  if (asked.empty()) {
    for (char c : folderName.substr(0, MaxLabelLength))
      label += IsLabelCharacter(Upper(c)) ? Upper(c) : '_';
    return label.empty() ? "SETUP" : label;
  }
  if (asked.size() > MaxLabelLength) return std::nullopt;
  for (char c : asked) {
    if (!IsLabelCharacter(Upper(c))) return std::nullopt;
    label += Upper(c);
  }
  return label;
}
