#include "test_archives.h"

#include "archive_view.h"
#include "lzhuf/fatal_error.h"

void FatalError(const char* message) {
  throw DamagedArchive(message);
}

std::string Le32(uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i)
    bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
  return bytes;
}

std::string ArchiveHead(uint16_t count) {
  std::string head(54, '\x5A');
  head += std::string("\0\0", 2);
  head.push_back(static_cast<char>(count & 0xFF));
  head.push_back(static_cast<char>(count >> 8));
  return head;
}

std::string DirectoryRecord(uint32_t offset, uint16_t dosTime, uint16_t dosDate,
                            const std::string& dir, const std::string& name) {
  std::string record = Le32(offset) + Le32(0);
  record.push_back(static_cast<char>(dosTime & 0xFF));
  record.push_back(static_cast<char>(dosTime >> 8));
  record.push_back(static_cast<char>(dosDate & 0xFF));
  record.push_back(static_cast<char>(dosDate >> 8));
  record.push_back(static_cast<char>(dir.size()));
  record.push_back(static_cast<char>(name.size()));
  return record + dir + name;
}

std::string SmallArchive() {
  return ArchiveHead(1) + DirectoryRecord(0, 0x7A4F, 0x2B21, "", "A.TXT") + Le32(81) +
         std::string("\x03\x00\x00\x00\xF6\xFB\xBD\xE0", 8);
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
