#include "archive.h"

#include <cstdlib>

#include "checksum/crc32.h"
#include "lzhuf/little_endian.h"

ArchiveEntry* EntryTable;
int EntryCount;
uint32_t DataBase;
bool EntriesCarryChecksums;

namespace {

char* NewEmptyText() {
  char* text = static_cast<char*>(std::malloc(TextBufferSize));
  if (text) text[0] = '\0';
  return text;
}

// The CRC-32 of the directory as read so far, from the head's Reserved field on.
uint32_t DirectoryCrc;

bool ReadCounted(ByteStream* archive, void* bytes, uint8_t length) {
  if (!ReadBlock(archive, bytes, length)) return false;
  DirectoryCrc = Crc32(DirectoryCrc, bytes, length);
  return true;
}

bool ReadText(ByteStream* archive, char* text, uint8_t length) {
  text[length] = '\0';
  return ReadCounted(archive, text, length);
}

} // namespace

int ReadArchiveDirectory(ByteStream* archive) {
  unsigned char head[HeaderLength];
  // Until the directory is whole, EntryCount counts only the records whose text
  // pointers are set (null or owned), so that ReleaseEntryTexts stays safe after a
  // refusal halfway.
  EntryCount = 0;
  EntriesCarryChecksums = false;
  // A head or directory cut short would leave fields that were never read; the archive
  // is refused before any of them can be used.
  if (!ReadBlock(archive, head, sizeof head)) return ReadCutShort;
  const int16_t count = static_cast<int16_t>(LittleEndian16(head + SignatureLength + 2));
  if (count > MaxEntries) return ReadTooManyEntries;
  DirectoryCrc = Crc32(0, head + SignatureLength, HeaderLength - SignatureLength);

  for (int i = 0; i < count; ++i) {
    unsigned char fixed[EntryFixedLength];
    if (!ReadCounted(archive, fixed, sizeof fixed)) return ReadCutShort;
    ArchiveEntry& entry = EntryTable[i];
    entry.Offset = LittleEndian32(fixed);
    entry.Reserved = LittleEndian32(fixed + 4);
    entry.DosTime = LittleEndian16(fixed + 8);
    entry.DosDate = LittleEndian16(fixed + 10);
    entry.DirLength = fixed[12];
    entry.NameLength = fixed[13];
    EntryCount = i + 1;
    entry.Dir = NewEmptyText();
    entry.Name = NewEmptyText();
    if (!entry.Dir || !entry.Name) return ReadNoMemory;
    if (!ReadText(archive, entry.Dir, entry.DirLength) ||
        !ReadText(archive, entry.Name, entry.NameLength))
      return ReadCutShort;
  }

  unsigned char base[4];
  if (!ReadCounted(archive, base, sizeof base)) return ReadCutShort;
  DataBase = LittleEndian32(base);
  EntryCount = count;
  // The tag compared as two words, which the compiler knows.
  const auto* tag = reinterpret_cast<const unsigned char*>(ChecksumTag);
  EntriesCarryChecksums = LittleEndian32(head) == LittleEndian32(tag) &&
                          LittleEndian32(head + 4) == LittleEndian32(tag + 4) &&
                          LittleEndian32(head + DirectoryCrcAt) == DirectoryCrc;
  return ReadDone;
}

void ReleaseEntryTexts() {
  for (int i = 0; i < EntryCount; ++i) {
    std::free(EntryTable[i].Name);
    EntryTable[i].Name = nullptr;
    std::free(EntryTable[i].Dir);
    EntryTable[i].Dir = nullptr;
  }
}
