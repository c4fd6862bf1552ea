#include "volume_label.h"

#include "format/rules.h"

namespace {

constexpr size_t MaxLabelLength = 11;

bool IsLabelCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

std::optional<std::string> VolumeLabel(const std::string& asked, const std::string& folderName) {
  std::string label;
  if (asked.empty()) {
    for (char c : folderName.substr(0, MaxLabelLength))
      label += IsLabelCharacter(UpperAscii(c)) ? UpperAscii(c) : '_';
    return label.empty() ? "SETUP" : label;
  }
  if (asked.size() > MaxLabelLength) return std::nullopt;
  for (char c : asked) {
    if (!IsLabelCharacter(UpperAscii(c))) return std::nullopt;
    label += UpperAscii(c);
  }
  return label;
}
