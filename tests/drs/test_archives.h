// Archives written byte by byte for the reader's tests, and the codec's way out,
// which the tests turn into an exception carrying the message.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// The 89-byte archive: A.TXT, stamped 2001-09-01 15:18:30, holding "abc".
std::string SmallArchive();

// An archive head (zeroed signature area and Reserved) with this count.
std::string ArchiveHead(uint16_t count);

// One directory record: Offset, a zero Reserved, DosTime, DosDate, the two texts.
std::string DirectoryRecord(uint32_t offset, uint16_t dosTime, uint16_t dosDate,
                            const std::string& dir, const std::string& name);

std::string Le32(uint32_t value);

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// A temporary stream holding `bytes`, at position 0.
FileHandle StreamOf(const std::string& bytes);

// Everything written to `file`, from its start.
std::string ContentOf(std::FILE* file);
