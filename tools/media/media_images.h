// Images of a medium for the media people install from: a CD image and a floppy image
// of the medium's files, each written by a Debian tool rather than by hand. Only the
// files named go on the image, at its root under their own names: nothing else that
// lies in the medium's folder (a file kept there while the medium is rebuilt, say).
// Both throw std::runtime_error with the reason when the image cannot be written; the
// caller removes what a failed tool left at `image`.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A volume label both images can carry: 1 to 11 of A-Z, 0-9 and _.
bool IsVolumeLabel(const std::string& label);

// The label a folder name suggests: upper-cased, other characters as _, at most 11
// characters; "SETUP" when nothing is left.
std::string LabelFromName(const std::string& name);

// An ISO 9660 image readable by Windows 95: level 1 (8.3) names and a Joliet tree for
// the long ones, with `label` as the volume label. Written by xorriso.
void WriteIsoImage(const std::vector<std::filesystem::path>& files,
                   const std::filesystem::path& image, const std::string& label);

// A 1.44 MB FAT12 floppy image holding the medium, written by mtools. Refused before
// anything is written when the medium does not fit.
void WriteFloppyImage(const std::vector<std::filesystem::path>& files,
                      const std::filesystem::path& image, const std::string& label);
