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
  // Throws DamagedArchive when the file cannot be opened or its directory is refused.
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

private:
  void Close();

  std::FILE* Stream_;
};

// A stream that takes bytes and keeps none, for decoding what is not to be written.
// Throws DamagedArchive when it cannot be had.
std::FILE* OpenNullSink();

// What a DecodeEntry status other than DecodeDone means, for people.
std::string DecodeFailure(int status);
