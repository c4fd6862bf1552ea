// The one way the tests make archives: entries laid out by the archive writer (any
// names, raw entry streams, no limits but the layout's), then, for damage, changed in
// place; and the streams and the one small archive whose bytes are known by heart.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

inline const std::string StreamAbc("\x03\x00\x00\x00\xF6\xFB\xBD\xE0", 8);     // "abc"
inline const std::string StreamElevenX("\x0B\x00\x00\x00\x04\x93\x00\x00", 8); // 11 x
inline const std::string StreamFiveSpaces("\x05\x00\x00\x00\x8E\x00\x00", 7);  // 5 blanks
inline const std::string StreamEmpty("\x00\x00\x00\x00", 4);

struct TestEntry {
  std::string Dir;
  std::string Name;
  std::string Stream;        // the whole entry stream, stored as it is
  uint16_t DosTime = 0x7A4F; // 15:18:30
  uint16_t DosDate = 0x2B21; // 2001-09-01
};

// Head, directory, DataBase, then the streams in order.
std::string ArchiveImage(const std::vector<TestEntry>& entries);

// The 89-byte archive: A.TXT, stamped 2001-09-01 15:18:30, holding "abc". Laid out by
// hand from the format rather than by the writer, so that the writer has a reference.
std::string SmallArchive();

std::string Le32(uint32_t value);

// Where the regions of an archive lie, read from its sound head and directory.
struct Layout {
  std::vector<size_t> EntryAt; // each entry's fixed part
  size_t DataBaseAt = 0;
  std::vector<size_t> DataAt; // each entry's UnpackedSize field
};
Layout LayoutOf(const std::string& archive);

// The archive with one field or byte changed, or cut short.
std::string WithCount(std::string archive, uint16_t count);
std::string WithOffset(std::string archive, int entry, uint32_t offset);
std::string WithDataBase(std::string archive, uint32_t dataBase);
std::string Flipped(std::string archive, size_t at, int bit);
std::string Cut(std::string archive, size_t length);

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// A temporary stream holding `bytes`, at position 0.
FileHandle StreamOf(const std::string& bytes);

// Everything written to `file`, from its start.
std::string ContentOf(std::FILE* file);
