// What drs says about an entry besides the rules' decision: the reasons and notes in
// words. Apart from rules.h, since SETUP.EXE never shows them and its build leaves
// them out.
#pragma once

#include "rules.h"

// Why an entry is passed over or stops, in a few words for people.
const char* ReasonText(EntryReason reason);

// What drs points out about an entry that installs, as bits.
enum EntryNote : unsigned {
  NoteDriveRoot = 1,   // a Dir of a bare drive, "C:", is that drive's root
  NoteNameChanges = 2, // Windows drops trailing dots or blanks of its names
  NoteDelByte = 4,     // a name holds the byte 0x7F, which Windows takes like a letter
};
unsigned NotesOn(const ArchiveEntry& entry);
const char* NoteText(EntryNote note);
