// An archive opened for reading by drs: the directory read by the bootstrap's own
// reader, and the way to each entry's stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "staging/archive.h"

// What the codec and the directory reader report through FatalError in drs.
class DamagedArchive : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class ArchiveView {
public:
  // Throws DamagedArchive when the file cannot be opened or its directory is refused.
  explicit ArchiveView(const std::string& path);
  ~ArchiveView();
  ArchiveView(const ArchiveView&) = delete;
  ArchiveView& operator=(const ArchiveView&) = delete;

  std::FILE* Stream() const { return Stream_; }
  int Count() const { return EntryCount > 0 ? EntryCount : 0; }
  const ArchiveEntry& Entry(int index) const { return EntryTable[index]; }

  // Positions the stream at the entry's data, as the bootstrap does: DataBase + Offset
  // as a 32-bit sum. False when that sum is not a position the bootstrap can seek to
  // (2^31 or more) or the seek fails.
  bool SeekToData(int index) const;

  // Reads UnpackedSize at the entry's data; false when it is out of reach.
  bool ReadUnpackedSize(int index, uint32_t* size) const;

private:
  void Close();

  std::FILE* Stream_;
};

// Dir\Name as the bootstrap joins them; Dir alone, with a trailing backslash, for an
// entry that only makes a folder.
std::string EntryPath(const ArchiveEntry& entry);

// "entry 3 (SUB\A.TXT)": how drs names an entry in its messages.
std::string DescribeEntry(int index, const ArchiveEntry& entry);

// The Windows NT family leaves out every entry whose Name, with a to z upper-cased,
// contains ".DL_".
bool SkippedOnNt(const ArchiveEntry& entry);
