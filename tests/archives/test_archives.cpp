#include "test_archives.h"

#include "format/archive_writer.h"
#include "lzhuf/little_endian.h"

namespace {

constexpr size_t CountAt = 56;
constexpr size_t DirectoryAt = 58;

void Put(std::string& bytes, size_t at, uint32_t value, int width) {
  std::string field;
  AppendLittleEndian(field, value, width);
  bytes.replace(at, field.size(), field);
}

uint32_t Get32(const std::string& bytes, size_t at) {
  return LittleEndian32(reinterpret_cast<const unsigned char*>(bytes.data() + at));
}

} // namespace

std::string ArchiveImage(const std::vector<TestEntry>& entries) {
  std::vector<WriterEntry> written;
  for (const TestEntry& entry : entries) {
    WriterEntry w;
    w.Dir = entry.Dir;
    w.Name = entry.Name;
    w.DosTime = entry.DosTime;
    w.DosDate = entry.DosDate;
    w.Source = EntrySource::EncodedStream;
    w.Data = entry.Stream;
    written.push_back(std::move(w));
  }
  return BuildArchive(written, ArchiveLimits::FormatOnly, EntryChecksums::None);
}

std::string SmallArchive() {
  const std::string signature(54, '\x5A');
  const std::string head("\x00\x00\x01\x00", 4); // Reserved, EntryCount 1
  const std::string entry("\x00\x00\x00\x00"     // Offset
                          "\x00\x00\x00\x00"     // Reserved
                          "\x4F\x7A\x21\x2B"     // DosTime, DosDate
                          "\x00\x05"             // DirLength, NameLength
                          "A.TXT",
                          19);
  const std::string dataBase("\x51\x00\x00\x00", 4); // 81: 58 + 19 + 4
  return signature + head + entry + dataBase + StreamAbc;
}

std::string Le32(uint32_t value) {
  std::string bytes;
  AppendLittleEndian(bytes, value, 4);
  return bytes;
}

Layout LayoutOf(const std::string& archive) {
  Layout layout;
  const int count = static_cast<unsigned char>(archive[CountAt]) |
                    static_cast<unsigned char>(archive[CountAt + 1]) << 8;
  size_t at = DirectoryAt;
  for (int i = 0; i < count; ++i) {
    layout.EntryAt.push_back(at);
    at += 14 + static_cast<unsigned char>(archive[at + 12]) +
          static_cast<unsigned char>(archive[at + 13]);
  }
  layout.DataBaseAt = at;
  const uint32_t dataBase = Get32(archive, at);
  for (size_t entryAt : layout.EntryAt)
    layout.DataAt.push_back(dataBase + Get32(archive, entryAt));
  return layout;
}

std::string WithCount(std::string archive, uint16_t count) {
  Put(archive, CountAt, count, 2);
  return archive;
}

std::string WithOffset(std::string archive, int entry, uint32_t offset) {
  Put(archive, LayoutOf(archive).EntryAt[entry], offset, 4);
  return archive;
}

std::string WithDataBase(std::string archive, uint32_t dataBase) {
  Put(archive, LayoutOf(archive).DataBaseAt, dataBase, 4);
  return archive;
}

std::string Flipped(std::string archive, size_t at, int bit) {
  archive[at] = static_cast<char>(archive[at] ^ (1 << bit));
  return archive;
}

std::string Cut(std::string archive, size_t length) {
  archive.resize(length);
  return archive;
}

FileHandle StreamOf(const std::string& bytes) {
  FileHandle file(std::tmpfile());
  std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  std::rewind(file.get());
  return file;
}

std::string ContentOf(std::FILE* file) {
  std::fflush(file);
  std::string bytes;
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;)
    bytes.push_back(static_cast<char>(c));
  return bytes;
}
