// Writes an archive for the bootstrap from a list of entries: the head with the tool's
// own signature text, the directory in list order, DataBase, then each entry's stream
// in the same order. Used by `drs pack` and by tests that need archives, sound or
// deliberately odd.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive.h"

enum class EntrySource {
  Bytes,         // Data holds the content; it is encoded
  File,          // File names a file of FileSize bytes; it is encoded as it is read
  EncodedStream, // Data is a whole entry stream (UnpackedSize and bit stream), stored as is
};

struct WriterEntry {
  std::string Dir;  // bytes of the target code page, backslash-separated, no terminator
  std::string Name; // empty: the bootstrap only creates Dir
  uint16_t DosTime = 0;
  uint16_t DosDate = 0;
  EntrySource Source = EntrySource::Bytes;
  std::string Data;
  std::filesystem::path File;
  uint64_t FileSize = 0; // as seen when the entry was listed; a file that differs is refused
};

enum class ArchiveLimits {
  Bootstrap,  // what SETUP.EXE installs whole: 3000 entries, each one written (or only
              // its folder made) on both families, every byte of the archive below 2^31
  FormatOnly, // only what the layout can hold, for tests that make damaged archives
};

// Whether the archive carries each entry's CRC-32 (see ChecksumTag). Without them it is
// the archive the previous drs wrote, byte for byte; tests use that, and it is the only
// choice for a stream stored as it is, whose bytes the writer does not know.
enum class EntryChecksums { Carried, None };

// Told after each entry and, inside a large file, after every MiB read (on glibc).
struct WriteProgress {
  size_t EntriesDone;
  size_t EntryCount;
  uint64_t BytesRead;    // uncompressed bytes read so far
  uint64_t BytesWritten; // archive bytes so far
};

// A refusal: the message says what is wrong and with which entry; the output then
// holds an incomplete archive that the caller discards.
class ArchiveRefused : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The signature area of an archive without checksums, always these 54 bytes, so that
// the same entries give the same archive.
extern const char PackerSignature[54];

// Throws ArchiveRefused, naming the entry, when the entries do not keep to `limits`;
// WriteArchive checks this first.
void CheckEntries(const std::vector<WriterEntry>& entries, ArchiveLimits limits);

// Writes the archive to `output`, which must be open "wb" (or "w+b"), empty and
// seekable: the directory's offsets are filled in once the streams are written.
void WriteArchive(std::FILE* output, const std::vector<WriterEntry>& entries,
                  ArchiveLimits limits = ArchiveLimits::Bootstrap,
                  EntryChecksums checksums = EntryChecksums::Carried,
                  const std::function<void(const WriteProgress&)>& progress = {});

// Appends the low `width` bytes of `value`, least significant first.
void AppendLittleEndian(std::string& bytes, uint32_t value, int width);

// A directory record that reads the entry's texts in place, for the rules.
ArchiveEntry ViewOf(const WriterEntry& entry);

// Dir\Name as SETUP.EXE joins them, however long.
std::string EntryPath(const ArchiveEntry& entry);

// "entry 3 (SUB\A.TXT)": how drs names an entry in its messages.
std::string DescribeEntry(int index, const ArchiveEntry& entry);

// The whole archive in memory, for small test archives.
std::string BuildArchive(const std::vector<WriterEntry>& entries,
                         ArchiveLimits limits = ArchiveLimits::Bootstrap,
                         EntryChecksums checksums = EntryChecksums::Carried);
