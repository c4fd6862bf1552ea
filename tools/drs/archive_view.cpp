#include "archive_view.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "code_page.h"
#include "format/rules.h"
#include "lzhuf/little_endian.h"
#include "lzhuf/lzhuf.h"

namespace {

std::string NotAnArchive(const std::string& path, const std::string& why) {
  return path + ": not an N_SETUP.DRS archive (" + why + ")";
}

} // namespace

ArchiveView::ArchiveView(const std::string& path)
    : Path_(path), Stream_(std::fopen(path.c_str(), "rb")) {
  std::error_code error;
  if (Stream_ && std::filesystem::is_directory(path, error)) {
    std::fclose(Stream_);
    throw DamagedArchive(NotAnArchive(path, "it is a folder"));
  }
  if (!Stream_) throw DamagedArchive(path + ": cannot be read: " + std::strerror(errno));
  if (fseeko(Stream_, 0, SEEK_END) == 0) Size_ = static_cast<uint64_t>(ftello(Stream_));
  std::rewind(Stream_);
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
    throw DamagedArchive(NotAnArchive(path, "its head counts more than the " +
                                                std::to_string(MaxEntries) +
                                                " entries an archive holds") +
                             box,
                         ReadFailureText(status));
  case ReadNoMemory:
    throw DamagedArchive(path + ": out of memory");
  default:
    throw DamagedArchive(NotAnArchive(path, "the head or directory is cut short") + box,
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

void ArchiveView::RequirePlausible() const {
  constexpr uint64_t EmptyArchiveSize = 62;
  if (Count() == 0 && Size_ != EmptyArchiveSize)
    throw DamagedArchive(NotAnArchive(Path_, "it counts no entries, yet it is " +
                                                 std::to_string(Size_) + " bytes, not " +
                                                 std::to_string(EmptyArchiveSize)));
  if (DataBase > Size_)
    throw DamagedArchive(NotAnArchive(Path_, "its data would begin past its end"));
  bool named = false, texts = Count() == 0;
  for (int i = 0; i < Count(); ++i) {
    int32_t position;
    texts = texts || Entry(i).Dir[0] != '\0' || Entry(i).Name[0] != '\0';
    if (Entry(i).Name[0] == '\0') continue;
    named = true;
    if (DataPosition(DataBase, Entry(i).Offset, &position) &&
        static_cast<uint64_t>(position) + 4 <= Size_)
      return;
  }
  if (named) throw DamagedArchive(NotAnArchive(Path_, "the data of every entry lies past its end"));
  if (!texts)
    throw DamagedArchive(NotAnArchive(Path_, "none of its entries has a folder or a name"));
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

std::string ShownPath(const ArchiveEntry& entry, int codePage) {
  return ReadableText(EntryPath(entry), codePage);
}

std::string ShownEntry(int index, const ArchiveEntry& entry, int codePage) {
  return "entry " + std::to_string(index + 1) + " (" + ShownPath(entry, codePage) + ")";
}

std::string DecodeFailure(int status) {
  switch (status) {
  case DecodeNoSize:
    return "its size field lies past the end of the archive";
  case DecodeStreamEnded:
    return "its stream ends before all its bytes are decoded";
  case DecodeWrongBytes:
    return "its bytes do not match the CRC-32 stored with it";
  case DecodeWriteFailed:
    return std::string("cannot write it: ") + std::strerror(errno);
  default:
    return "";
  }
}
