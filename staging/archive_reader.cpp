#include "archive.h"

#include <cstdlib>

#include "lzhuf/fatal_error.h"

ArchiveEntry* EntryTable;
int EntryCount;
uint32_t DataBase;

static const char ShortArchive[] = "File error !!";

// A head or directory cut short would leave fields that were never read; the archive
// is refused before any of them can be used.
static void ReadExactly(ByteStream* archive, unsigned char* bytes, size_t length) {
  if (!ReadBlock(archive, bytes, length)) FatalError(ShortArchive);
}

static uint16_t LittleEndian16(const unsigned char* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

static uint32_t LittleEndian32(const unsigned char* bytes) {
  return static_cast<uint32_t>(LittleEndian16(bytes)) |
         static_cast<uint32_t>(LittleEndian16(bytes + 2)) << 16;
}

static char* NewEmptyText() {
  char* text = static_cast<char*>(std::malloc(TextBufferSize));
  if (!text) FatalError("Memory error");
  text[0] = '\0';
  return text;
}

static void ReadText(ByteStream* archive, char* text, uint8_t length) {
  ReadExactly(archive, reinterpret_cast<unsigned char*>(text), length);
  text[length] = '\0';
}

int16_t ReadArchiveDirectory(ByteStream* archive) {
  unsigned char head[HeaderLength];
  // Until the directory is whole, EntryCount counts only the records whose text
  // pointers are set (null or owned), so that ReleaseEntryTexts stays safe when a
  // refusal leaves through FatalError halfway.
  EntryCount = 0;
  ReadExactly(archive, head, sizeof head);
  const int16_t count = static_cast<int16_t>(LittleEndian16(head + SignatureLength + 2));
  if (count > MaxEntries) FatalError(ShortArchive);

  for (int i = 0; i < count; ++i) {
    unsigned char fixed[EntryFixedLength];
    ReadExactly(archive, fixed, sizeof fixed);
    ArchiveEntry& entry = EntryTable[i];
    entry.Offset = LittleEndian32(fixed);
    entry.Reserved = LittleEndian32(fixed + 4);
    entry.DosTime = LittleEndian16(fixed + 8);
    entry.DosDate = LittleEndian16(fixed + 10);
    entry.DirLength = fixed[12];
    entry.NameLength = fixed[13];
    entry.Dir = nullptr;
    entry.Name = nullptr;
    EntryCount = i + 1;
    entry.Dir = NewEmptyText();
    entry.Name = NewEmptyText();
    ReadText(archive, entry.Dir, entry.DirLength);
    ReadText(archive, entry.Name, entry.NameLength);
  }

  unsigned char base[4];
  ReadExactly(archive, base, sizeof base);
  DataBase = LittleEndian32(base);
  EntryCount = count;
  return count;
}

void ReleaseEntryTexts() {
  for (int i = 0; i < EntryCount; ++i) {
    std::free(EntryTable[i].Name);
    EntryTable[i].Name = nullptr;
    std::free(EntryTable[i].Dir);
    EntryTable[i].Dir = nullptr;
  }
}
