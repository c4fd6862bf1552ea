// The layout of N_SETUP.DRS: a 58-byte head (54-byte signature area, Reserved,
// EntryCount), the directory (each entry a 14-byte fixed part followed by its Dir and
// Name texts), the 32-bit DataBase, then each entry's stream at DataBase + Offset.
// All integers little-endian.
#pragma once

#include "lzhuf/byte_stream.h"

#include <cstdint>

inline constexpr int MaxEntries = 3000;
// What the layout itself can hold: a signed 16-bit EntryCount, texts of a length byte.
inline constexpr int MaxStoredEntries = INT16_MAX;
inline constexpr int MaxTextLength = UINT8_MAX;
inline constexpr int SignatureLength = 54;
inline constexpr int HeaderLength = SignatureLength + 4;
inline constexpr int EntryFixedLength = 14;
// Each text has a buffer of Windows' path length (MAX_PATH, which this portable header
// cannot name), room for the longest text and its terminator.
inline constexpr int WindowsPathSize = 260;
inline constexpr int TextBufferSize = WindowsPathSize;
static_assert(TextBufferSize > MaxTextLength);

// An archive whose entries carry checksums says so in its signature area: these 8
// bytes at its start (zeros follow them up to byte 50), then in bytes 50 to 53 the
// CRC-32 of everything from the head's Reserved field to DataBase, inclusive, as
// written. Each entry's Reserved field then holds the CRC-32 of its unpacked bytes.
// Other packers put their own text there and write no such CRC, and the previous drs
// wrote another text; even a tool that copies this head onto another directory leaves
// a CRC that matches the new directory by a chance of 1 in 2^32.
inline constexpr char ChecksumTag[] = "NuvikCRC";
inline constexpr int ChecksumTagLength = 8;
inline constexpr int DirectoryCrcAt = SignatureLength - 4;

// One directory record: the fixed part with the file's fields, widths and order,
// then the two owned texts (260-byte buffers, NUL-terminated, never null once read).
struct ArchiveEntry {
  uint32_t Offset;
  uint32_t Reserved;
  uint16_t DosTime;
  uint16_t DosDate;
  uint8_t DirLength;
  uint8_t NameLength;
  char* Dir;
  char* Name;
};

extern ArchiveEntry* EntryTable; // room for MaxEntries records, owned by the caller
extern int EntryCount;           // the head's count, sign-extended
extern uint32_t DataBase;
extern bool EntriesCarryChecksums; // the signature area says so (see ChecksumTag)

// The CRC-32 the entry's bytes must have, when the archive carries them; else null.
inline const uint32_t* ExpectedCrc(const ArchiveEntry& entry) {
  return EntriesCarryChecksums ? &entry.Reserved : nullptr;
}

// What ReadArchiveDirectory reports; each program says in its own words what it means.
enum ReadStatus {
  ReadDone = 0,
  ReadCutShort,       // the file ends inside the head or the directory
  ReadTooManyEntries, // the head counts more than MaxEntries entries
  ReadNoMemory,       // a text buffer cannot be had
};

// Reads the head and the whole directory from `archive` (open "rb", at position 0)
// into EntryTable, sets EntryCount (the head's count, sign-extended), DataBase and
// EntriesCarryChecksums, and returns a ReadStatus; after ReadDone the stream stands
// after DataBase. After any other status EntryCount counts the records whose texts
// ReleaseEntryTexts must give back, and no record may be used.
int ReadArchiveDirectory(ByteStream* archive);

// Releases the texts of records 0 to EntryCount - 1 (Name, then Dir, each only when
// present). EntryTable itself stays with its owner.
void ReleaseEntryTexts();
