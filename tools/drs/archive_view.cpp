#include "archive_view.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "format/rules.h"
#include "lzhuf/little_endian.h"
#include "lzhuf/lzhuf.h"

ArchiveView::ArchiveView(const std::string& path) : Stream_(std::fopen(path.c_str(), "rb")) {
  if (!Stream_) throw DamagedArchive(path + ": " + std::strerror(errno));
  EntryTable = static_cast<ArchiveEntry*>(std::malloc(sizeof(ArchiveEntry) * MaxEntries));
  if (!EntryTable) {
    std::fclose(Stream_);
    throw DamagedArchive("out of memory");
  }
  const int status = ReadArchiveDirectory(Stream_);
  if (status == ReadDone) return;
  Close();
  const std::string box = std::string("; SETUP.EXE stops with \"") + ReadFailureText(status) + "\"";
  switch (status) {
  case ReadTooManyEntries:
    throw DamagedArchive(path + ": the directory lists more than " + std::to_string(MaxEntries) +
                             " entries" + box,
                         ReadFailureText(status));
  case ReadNoMemory:
    throw DamagedArchive(path + ": out of memory");
  default:
    throw DamagedArchive(path + ": the head or directory is cut short" + box,
                         ReadFailureText(status));
  }
}

ArchiveView::~ArchiveView() {
  Close();
}

void ArchiveView::Close() {
  ReleaseEntryTexts();
  std::free(EntryTable);
  EntryTable = nullptr;
  EntryCount = 0;
  std::fclose(Stream_);
}

bool ArchiveView::SeekToData(int index) const {
  int32_t position;
  return DataPosition(DataBase, Entry(index).Offset, &position) &&
         fseeko(Stream_, static_cast<off_t>(position), SEEK_SET) == 0;
}

bool ArchiveView::ReadUnpackedSize(int index, uint32_t* size) const {
  unsigned char bytes[4];
  if (!SeekToData(index) || std::fread(bytes, 1, sizeof bytes, Stream_) != sizeof bytes)
    return false;
  *size = LittleEndian32(bytes);
  return true;
}

std::FILE* OpenNullSink() {
#ifdef _WIN32
  static const char NullDevice[] = "NUL";
#else
  static const char NullDevice[] = "/dev/null";
#endif
  std::FILE* sink = std::fopen(NullDevice, "wb");
  if (!sink) throw DamagedArchive(std::string("cannot open ") + NullDevice);
  return sink;
}

std::string DecodeFailure(int status) {
  switch (status) {
  case DecodeNoSize:
    return "its size field lies past the end of the archive";
  case DecodeStreamEnded:
    return "its stream ends before all its bytes are decoded";
  case DecodeWriteFailed:
    return std::string("cannot write it: ") + std::strerror(errno);
  default:
    return "";
  }
}
