// What SETUP.EXE does with each entry of N_SETUP.DRS, written once: SETUP.EXE acts on
// these answers, and drs predicts SETUP.EXE's run (verify), follows it (unpack) and
// refuses what it would not install (pack). Plain code without the C library, since it
// goes into SETUP.EXE as well.
#pragma once

#include <cstdint>

#include "archive.h"

inline constexpr char WorkDirName[] = "N80_INST";
inline constexpr char ArchiveName[] = "N_SETUP.DRS";
inline constexpr char SetupProgramName[] = "N_SETUP.EXE";

// The texts of SETUP.EXE's boxes for the ways an extraction can stop.
inline constexpr char FileErrorText[] = "File error !!";
inline constexpr char WriteErrorText[] = "Can't write !! Disk error !!";
inline constexpr char MemoryErrorText[] = "Memory error";
inline constexpr char FatalErrorCaption[] = "Fatal Error";

// The output path, Dir\Name, has 255 characters at most.
inline constexpr int MaxOutputPathLength = 255;
inline constexpr int OutputPathSize = MaxOutputPathLength + 1;

// Whether a byte opens a double-byte character in the code page that the texts are
// read in; null where there are none.
using LeadByteTest = bool (*)(unsigned char byte);

inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Upper-cases the letters a to z in place, passing over the second byte of every
// double-byte character.
void UpperCaseAscii(char* text, LeadByteTest isLeadByte);

// The Windows NT family leaves out every entry whose Name, with a to z upper-cased,
// contains ".DL_".
bool SkippedOnNt(const char* name);

// Dir\Name as SETUP.EXE joins them (Name alone for an empty Dir) into `path` of
// `size` bytes; false, with `path` cut, when it does not fit.
bool JoinEntryPath(const ArchiveEntry& entry, char* path, int size);

// Where an entry's Dir puts its folders and its file.
enum class EntryPlace {
  WorkDir,          // an empty or relative Dir: under the work directory
  CurrentDriveRoot, // "\NUVIK": from the root of the work directory's drive
  OtherDrive,       // "C:\NUVIK": from the root of that drive
};
EntryPlace PlaceOf(const char* dir);

// Where the walk through Dir's components begins, past the root ("\") or the drive
// and root ("C:\") that PlaceOf found.
const char* FirstComponent(const char* dir);

// The end of the component that begins at `component`: the next backslash that is not
// the second byte of a double-byte character, or the terminating zero.
const char* ComponentEnd(const char* component, LeadByteTest isLeadByte);

enum class EntryAction {
  Write,      // its folders are made, its file is written
  MakeFolder, // an empty Name: only its folders are made
  PassOver,   // nothing is made for it, and nothing is said
  Stop,       // the extraction stops with "File error !!"
};

enum class EntryReason {
  None,
  NtSkipsDlFiles, // passed over on the NT family
  NoPath,         // passed over: empty Dir and Name
  FolderNotMade,  // passed over: Dir is a network or drive-relative path, climbs with
                  // "..", or has a component Windows cannot create or cannot reach
  NameNotMade,    // passed over: Windows cannot create a file of this Name
  PathTooLong,    // stops: Dir\Name does not fit the output path
  DataOutOfReach, // stops: DataBase + Offset is not a position below 2^31
};

struct EntryDecision {
  EntryAction Action;
  EntryReason Reason;
};

// Whether the decision leaves out an entry the installation should have: every pass-over
// but the NT family's .DL_ files, which that family leaves out by design.
inline bool MissesEntry(const EntryDecision& decision) {
  return decision.Action == EntryAction::PassOver && decision.Reason != EntryReason::NtSkipsDlFiles;
}

// What SETUP.EXE does with `entry`, before it creates anything for it. A Write still
// stops when the entry's stream is damaged (DecodeEntry) or a write fails.
EntryDecision DecideEntry(const ArchiveEntry& entry, bool ntFamily, uint32_t dataBase,
                          LeadByteTest isLeadByte);

// Whether Windows can create a file or folder named by exactly the bytes from `name` to
// `end`: not empty, no control character, none of \ / : * ? " < > |, no trailing dot
// or blank (Windows would drop it, and the file would land under another name), and
// no device name (CON, NUL, COM1 and the like, with or without an extension).
bool CanCreateName(const char* name, const char* end, LeadByteTest isLeadByte);

// Where Windows ends the name from `name` to `end` when it normalises a path: a name
// that ends the path loses every trailing dot and blank ("README." is README), a name
// with more of the path after it one trailing dot only ("DATA.\X.TXT" is DATA\X.TXT).
// No trail byte of a double-byte character is a dot or a blank.
const char* KeptEnd(const char* name, const char* end, bool endsPath);

// DataBase + Offset as the position SETUP.EXE seeks to; false when the sum wraps past
// 2^32 or reaches 2^31, where its seek cannot go.
bool DataPosition(uint32_t dataBase, uint32_t offset, int32_t* position);

// Whether the entry is the setup program that SETUP.EXE starts from the work directory.
bool IsSetupProgram(const ArchiveEntry& entry);

// The texts of SETUP.EXE's "Fatal Error" box for a reader or decoder status.
const char* ReadFailureText(int readStatus);
const char* DecodeFailureText(int decodeStatus);
