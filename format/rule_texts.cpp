// The rules' reasons and notes in words, for drs's reports. Apart from the rules
// themselves, so that SETUP.EXE, which never shows them, does not carry them.
#include "rule_texts.h"

#include <cstring>
#include <string>

const char* ReasonText(EntryReason reason) {
  switch (reason) {
  case EntryReason::None:
    break;
  case EntryReason::NtSkipsDlFiles:
    return "the Windows NT family leaves out .DL_ files";
  case EntryReason::NoPath:
    return "it has neither a folder nor a name";
  case EntryReason::FolderNotMade:
    return "its folder is a network or drive-relative path, climbs out with \"..\", or has a "
           "name Windows cannot create or cannot find again";
  case EntryReason::NameNotMade:
    return "Windows cannot create a file of this name";
  case EntryReason::PathTooLong: {
    static const std::string text = "its folder and name together are longer than " +
                                    std::to_string(MaxOutputPathLength) + " bytes";
    return text.c_str();
  }
  case EntryReason::DataOutOfReach:
    return "its data lies at 2 GiB or beyond";
  }
  return "";
}

const char* NoteText(EntryNote note) {
  switch (note) {
  case NoteDriveRoot:
    return "its folder, a bare drive, is that drive's root";
  case NoteNameChanges:
    return "Windows drops the trailing dots and blanks of its names";
  case NoteDelByte:
    return "a name holds the byte 0x7F, which Windows takes like a letter";
  }
  return "";
}

unsigned NotesOn(const ArchiveEntry& entry) {
  unsigned notes = 0;
  if (PlaceOf(entry.Dir) == EntryPlace::OtherDrive && !entry.Dir[2]) notes |= NoteDriveRoot;
  if (std::strchr(entry.Dir, '\x7F') || std::strchr(entry.Name, '\x7F')) notes |= NoteDelByte;
  for (const char* component = FirstComponent(entry.Dir);;) {
    const char* end = ComponentEnd(component, nullptr);
    const bool stays = end == component || (end == component + 1 && component[0] == '.');
    if (!stays && KeptEnd(component, end, true) != end) notes |= NoteNameChanges;
    if (!*end) break;
    component = end + 1;
  }
  const char* nameEnd = entry.Name + std::strlen(entry.Name);
  if (KeptEnd(entry.Name, nameEnd, true) != nameEnd) notes |= NoteNameChanges;
  return notes;
}
