// An archive opened for reading by drs: the directory read by SETUP.EXE's own reader,
// and the way to each entry's stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "format/archive.h"
#include "format/archive_writer.h"

// An archive that cannot be opened, or whose directory is refused.
class DamagedArchive : public std::runtime_error {
public:
  explicit DamagedArchive(const std::string& what, const char* box = nullptr)
      : std::runtime_error(what), Box(box) {}
  const char* Box; // the text of SETUP.EXE's "Fatal Error" box for a refused directory
};

class ArchiveView {
public:
  // Throws DamagedArchive when the file cannot be opened or its directory is refused:
  // "PATH: not an N_SETUP.DRS archive (why)" for a folder, a head counting more
  // entries than an archive holds, and a head or directory cut short.
  explicit ArchiveView(const std::string& path);
  ~ArchiveView();
  ArchiveView(const ArchiveView&) = delete;
  ArchiveView& operator=(const ArchiveView&) = delete;

  std::FILE* Stream() const { return Stream_; }
  int Count() const { return EntryCount > 0 ? EntryCount : 0; }
  const ArchiveEntry& Entry(int index) const { return EntryTable[index]; }

  // Positions the stream at the entry's data, as SETUP.EXE does; false when that is
  // out of its reach (see DataPosition) or the seek fails.
  bool SeekToData(int index) const;

  // Reads UnpackedSize at the entry's data; false when it is out of reach.
  bool ReadUnpackedSize(int index, uint32_t* size) const;

  // What `list`, `verify` and `unpack` ask of a file before they read it as an archive,
  // beyond what SETUP.EXE's reader asks: a head consistent with the file's size (an
  // archive without entries is 62 bytes; the data begins inside the file), an entry
  // with a folder or a name and, when it has entries with data, the data of one of
  // them inside the file. A file failing them
  // is surely not an archive, and SETUP.EXE would unpack no file of it. Throws
  // DamagedArchive "PATH: not an N_SETUP.DRS archive (why)".
  void RequirePlausible() const;

private:
  void Close();

  std::string Path_;
  std::FILE* Stream_;
  uint64_t Size_ = 0;
};

// A stream that takes bytes and keeps none, for decoding what is not to be written.
// Throws DamagedArchive when it cannot be had.
std::FILE* OpenNullSink();

// Dir\Name and "entry 3 (SUB\A.TXT)" as drs shows them, the texts taken as text of
// `codePage` (see ReadableText).
std::string ShownPath(const ArchiveEntry& entry, int codePage);
std::string ShownEntry(int index, const ArchiveEntry& entry, int codePage);

// What a DecodeEntry status other than DecodeDone means, for people.
std::string DecodeFailure(int status);
