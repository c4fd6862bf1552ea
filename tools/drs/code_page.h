// Names between the file system and the archive, whose texts are bytes of a Windows
// code page. Code page 0 means plain ASCII: without a code page chosen, no other byte
// can be trusted to mean the same on the machine that unpacks the archive.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// One path component as archive text, or nothing when it has no exact form in the code
// page or names something Windows cannot create (control characters, \ / : * ? " < > |).
// On Linux the component's bytes are taken as UTF-8.
std::optional<std::string> ArchiveTextFromName(const std::filesystem::path& name, int codePage);

// Archive text as a path component of this machine, or nothing when the bytes are not
// text of the code page (for code page 0: not plain ASCII).
std::optional<std::filesystem::path> NameFromArchiveText(const std::string& text, int codePage);

// Archive text for people and scripts: UTF-8, converted from the code page; a name
// with bytes that are no text of it (or any byte above 127 with code page 0, and
// control characters always) shows those bytes as \xNN instead, never raw.
std::string ReadableText(const std::string& text, int codePage);

// A path of this machine for a message: as it is, but with control characters as \xNN,
// as ReadableText shows them, so that no name can break a line or steer the terminal.
std::string ShownName(const std::filesystem::path& path);
