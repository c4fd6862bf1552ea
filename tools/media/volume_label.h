// The volume label of a medium's images, written once: what a label may be, and the
// label a payload folder's name suggests.
#pragma once

#include <optional>
#include <string>

// What both images can carry, for people.
inline constexpr char VolumeLabelRule[] = "1 to 11 letters, digits or _";

// The label asked for, upper-cased, or nothing when it breaks the rule. Without one
// asked for (empty), the one `folderName` suggests: upper-cased, other characters as _,
// at most 11 characters; "SETUP" when nothing is left.
std::optional<std::string> VolumeLabel(const std::string& asked, const std::string& folderName);
