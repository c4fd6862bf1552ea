#include "rules.h"

#include "lzhuf/lzhuf.h"

namespace {

int Length(const char* text) {
  int length = 0;
  while (text[length])
    ++length;
  return length;
}

bool IsDriveLetter(char c) {
  return UpperAscii(c) >= 'A' && UpperAscii(c) <= 'Z';
}

bool SameLetters(const char* text, int length, const char* upper) {
  for (int i = 0; i < length; ++i)
    if (UpperAscii(text[i]) != upper[i]) return false;
  return upper[length] == '\0';
}

// CON, PRN, AUX, NUL, CLOCK$, COM1 to COM9 and LPT1 to LPT9 name devices whatever
// extension follows them: a file of that name cannot be made.
bool IsDeviceName(const char* name, const char* end) {
  int stem = 0;
  while (name + stem < end && name[stem] != '.')
    ++stem;
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};
  for (const char* device : devices)
    if (SameLetters(name, stem, device)) return true;
  return stem == 4 && (SameLetters(name, 3, "COM") || SameLetters(name, 3, "LPT")) &&
         name[3] >= '1' && name[3] <= '9';
}

// 0x7F is not among them: Windows takes it like any letter.
bool IsReserved(unsigned char c) {
  if (c < 0x20) return true;
  for (const char* r = "\\/:*?\"<>|"; *r; ++r)
    if (c == static_cast<unsigned char>(*r)) return true;
  return false;
}

// Whether a component of Dir can be made and then found again under one name: Windows
// makes each folder as the end of a path, and looks for it with more of the path
// behind it, where it drops less ("SUB \Y.TXT" looks for a folder "SUB " after it made
// "SUB"). ".." and other names of nothing but dots and blanks keep no name at all.
bool CanReachFolder(const char* component, const char* end, bool endsPath,
                    LeadByteTest isLeadByte) {
  const char* made = KeptEnd(component, end, true);
  if (!endsPath && KeptEnd(component, end, false) != made) return false;
  return CanCreateName(component, made, isLeadByte);
}

// Every component of Dir from FirstComponent on: "." and empty ones (two backslashes
// in a row, a trailing one) change nothing. The last one ends the path when no Name
// follows it.
bool CanMakeFolders(const char* dir, bool dirEndsPath, LeadByteTest isLeadByte) {
  // "\\SERVER", and "\" alone, whose joined path begins with two backslashes, name
  // network paths; "C:NUVIK" depends on what drive C: has as its current directory,
  // while "C:" alone is joined into "C:\NAME", from the root.
  if (dir[0] == '\\' && (dir[1] == '\\' || dir[1] == '\0')) return false;
  if (IsDriveLetter(dir[0]) && dir[1] == ':' && dir[2] && dir[2] != '\\') return false;
  for (const char* component = FirstComponent(dir);;) {
    const char* end = ComponentEnd(component, isLeadByte);
    const int length = static_cast<int>(end - component);
    const bool stays = length == 0 || (length == 1 && component[0] == '.');
    if (!stays && !CanReachFolder(component, end, dirEndsPath && !*end, isLeadByte)) return false;
    if (!*end) return true;
    component = end + 1;
  }
}

} // namespace

void UpperCaseAscii(char* text, LeadByteTest isLeadByte) {
  for (char* p = text; *p; ++p) {
    if (isLeadByte && isLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
      ++p;
      continue;
    }
    *p = UpperAscii(*p);
  }
}

bool SkippedOnNt(const char* name) {
  for (const char* p = name; *p; ++p)
    if (p[0] == '.' && UpperAscii(p[1]) == 'D' && UpperAscii(p[2]) == 'L' && p[3] == '_')
      return true;
  return false;
}

bool JoinEntryPath(const ArchiveEntry& entry, char* path, int size) {
  int at = 0;
  auto put = [&](char c) {
    if (at < size - 1) path[at] = c;
    ++at;
  };
  if (entry.Dir[0]) {
    for (const char* p = entry.Dir; *p; ++p)
      put(*p);
    put('\\');
  }
  for (const char* p = entry.Name; *p; ++p)
    put(*p);
  path[at < size ? at : size - 1] = '\0';
  return at < size;
}

EntryPlace PlaceOf(const char* dir) {
  if (dir[0] == '\\') return EntryPlace::CurrentDriveRoot;
  if (IsDriveLetter(dir[0]) && dir[1] == ':') return EntryPlace::OtherDrive;
  return EntryPlace::WorkDir;
}

const char* FirstComponent(const char* dir) {
  switch (PlaceOf(dir)) {
  case EntryPlace::CurrentDriveRoot:
    return dir + 1;
  case EntryPlace::OtherDrive:
    return dir[2] == '\\' ? dir + 3 : dir + 2;
  case EntryPlace::WorkDir:
    break;
  }
  return dir;
}

const char* ComponentEnd(const char* component, LeadByteTest isLeadByte) {
  const char* p = component;
  while (*p && *p != '\\') {
    if (isLeadByte && isLeadByte(static_cast<unsigned char>(*p)) && p[1])
      p += 2;
    else
      ++p;
  }
  return p;
}

const char* KeptEnd(const char* name, const char* end, bool endsPath) {
  if (!endsPath) return end > name && end[-1] == '.' ? end - 1 : end;
  while (end > name && (end[-1] == '.' || end[-1] == ' '))
    --end;
  return end;
}

bool CanCreateName(const char* name, const char* end, LeadByteTest isLeadByte) {
  if (name == end || end[-1] == '.' || end[-1] == ' ') return false;
  for (const char* p = name; p < end; ++p) {
    if (isLeadByte && isLeadByte(static_cast<unsigned char>(*p)) && p + 1 < end) {
      ++p;
      continue;
    }
    if (IsReserved(static_cast<unsigned char>(*p))) return false;
  }
  return !IsDeviceName(name, end);
}

bool DataPosition(uint32_t dataBase, uint32_t offset, int32_t* position) {
  const uint64_t sum = uint64_t{dataBase} + offset;
  if (sum >= uint64_t{1} << 31) return false;
  *position = static_cast<int32_t>(sum);
  return true;
}

EntryDecision DecideEntry(const ArchiveEntry& entry, bool ntFamily, uint32_t dataBase,
                          LeadByteTest isLeadByte) {
  if (ntFamily && SkippedOnNt(entry.Name))
    return {EntryAction::PassOver, EntryReason::NtSkipsDlFiles};
  if (!entry.Dir[0] && !entry.Name[0]) return {EntryAction::PassOver, EntryReason::NoPath};
  // A file must not go missing from an installation unnoticed: a path that does not fit
  // means a damaged archive. A folder alone is made from Dir, which always fits.
  if (entry.Dir[0] && entry.Name[0] &&
      Length(entry.Dir) + 1 + Length(entry.Name) > MaxOutputPathLength)
    return {EntryAction::Stop, EntryReason::PathTooLong};
  if (entry.Dir[0] && !CanMakeFolders(entry.Dir, !entry.Name[0], isLeadByte))
    return {EntryAction::PassOver, EntryReason::FolderNotMade};
  if (!entry.Name[0]) return {EntryAction::MakeFolder, EntryReason::None};
  // The system drops the Name's trailing dots and blanks when it opens the file.
  const char* nameEnd = entry.Name + Length(entry.Name);
  if (!CanCreateName(entry.Name, KeptEnd(entry.Name, nameEnd, true), isLeadByte))
    return {EntryAction::PassOver, EntryReason::NameNotMade};
  int32_t position;
  if (!DataPosition(dataBase, entry.Offset, &position))
    return {EntryAction::Stop, EntryReason::DataOutOfReach};
  return {EntryAction::Write, EntryReason::None};
}

const char* ReadFailureText(int readStatus) {
  return readStatus == ReadNoMemory ? MemoryErrorText : FileErrorText;
}

const char* DecodeFailureText(int decodeStatus) {
  return decodeStatus == DecodeWriteFailed ? WriteErrorText : FileErrorText;
}

bool IsSetupProgram(const ArchiveEntry& entry) {
  return !entry.Dir[0] && SameLetters(entry.Name, Length(entry.Name), SetupProgramName);
}
