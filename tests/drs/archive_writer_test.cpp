// Archives written from entries, read back with the bootstrap's own reader and decoder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "archive_view.h"
#include "checksum/crc32.h"
#include "format/archive_writer.h"
#include "lzhuf/lzhuf.h"
#include "test_archives.h"

namespace {

WriterEntry Bytes(const std::string& dir, const std::string& name, const std::string& data) {
  WriterEntry entry;
  entry.Dir = dir;
  entry.Name = name;
  entry.DosTime = 0x7A4F;
  entry.DosDate = 0x2B21;
  entry.Data = data;
  return entry;
}

std::string Refusal(const std::vector<WriterEntry>& entries,
                    ArchiveLimits limits = ArchiveLimits::Bootstrap) {
  try {
    BuildArchive(entries, limits);
    return "";
  } catch (const ArchiveRefused& refusal) {
    return refusal.what();
  }
}

// Reads the archive back and decodes its entries in order, as an unpack would.
std::vector<std::string> Unpacked(const std::string& archive) {
  FileHandle stream = StreamOf(archive);
  EntryTable = static_cast<ArchiveEntry*>(std::malloc(sizeof(ArchiveEntry) * MaxEntries));
  ReadArchiveDirectory(stream.get());
  std::vector<std::string> contents;
  for (int i = 0; i < EntryCount; ++i) {
    FileHandle output(std::tmpfile());
    std::fseek(stream.get(), DataBase + EntryTable[i].Offset, SEEK_SET);
    DecodeEntry(stream.get(), output.get());
    contents.push_back(ContentOf(output.get()));
  }
  return contents;
}

class WriterTest : public testing::Test {
protected:
  void TearDown() override {
    if (EntryTable) ReleaseEntryTexts();
    std::free(EntryTable);
    EntryTable = nullptr;
    EntryCount = 0;
  }
};

TEST_F(WriterTest, AnEncodedStreamIsStoredAsItIsInTheKnownLayout) {
  WriterEntry entry = Bytes("", "A.TXT", "");
  entry.Source = EntrySource::EncodedStream;
  entry.Data = std::string("\x03\x00\x00\x00\xF6\xFB\xBD\xE0", 8);
  const std::string archive = BuildArchive({entry}, ArchiveLimits::Bootstrap, EntryChecksums::None);
  const std::string expected = SmallArchive();
  EXPECT_EQ(archive.substr(0, 54), std::string(PackerSignature, 54));
  EXPECT_EQ(archive.substr(54), expected.substr(54));
  EXPECT_EQ(Unpacked(archive), std::vector<std::string>{"abc"});
}

TEST_F(WriterTest, EntriesRoundTripInOrderWithTheirFields) {
  std::string varied;
  for (int i = 0; i < 20000; ++i)
    varied.push_back(static_cast<char>((i * 7919) % 251 ^ (i / 300)));
  std::ofstream(testing::TempDir() + "writer_source.bin", std::ios::binary) << varied;
  WriterEntry file = Bytes("SUB\\DEEP", "FILE.BIN", "");
  file.Source = EntrySource::File;
  file.File = testing::TempDir() + "writer_source.bin";
  file.FileSize = varied.size();
  const std::vector<WriterEntry> entries = {
      Bytes("", "EMPTY.TXT", ""), Bytes("SUB", "", ""), file,
      Bytes("", "N_SETUP.EXE", std::string(5000, 'x') + "tail")};
  const std::string archive = BuildArchive(entries);
  EXPECT_EQ(BuildArchive(entries), archive); // the same entries give the same bytes

  EXPECT_EQ(Unpacked(archive),
            (std::vector<std::string>{"", "", varied, std::string(5000, 'x') + "tail"}));
  ASSERT_EQ(EntryCount, 4);
  EXPECT_STREQ(EntryTable[2].Dir, "SUB\\DEEP");
  EXPECT_STREQ(EntryTable[2].Name, "FILE.BIN");
  EXPECT_STREQ(EntryTable[1].Name, "");
  EXPECT_EQ(EntryTable[3].DosTime, 0x7A4F);
  EXPECT_EQ(EntryTable[3].DosDate, 0x2B21);
  EXPECT_EQ(EntryTable[0].Offset, 0u);
  EXPECT_EQ(EntryTable[1].Offset, 4u); // an empty entry is its size field alone
  // Each entry carries the CRC-32 of its bytes, and the head says so.
  EXPECT_TRUE(EntriesCarryChecksums);
  const std::vector<std::string> contents = {"", "", varied, std::string(5000, 'x') + "tail"};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(EntryTable[i].Reserved, Crc32(0, contents[i].data(), contents[i].size()));
  EXPECT_EQ(archive.substr(54, 2), std::string("\0\0", 2));
  // The mark is the tag and the CRC of the directory as written: a head copied onto a
  // directory changed in any bit, or the previous drs's head, is no mark.
  auto marked = [](const std::string& other) {
    ReleaseEntryTexts();
    std::free(EntryTable);
    Unpacked(other);
    return EntriesCarryChecksums;
  };
  EXPECT_FALSE(marked(archive.substr(0, 54) + Flipped(archive, 66, 0).substr(54)));
  EXPECT_FALSE(marked(BuildArchive(entries, ArchiveLimits::Bootstrap, EntryChecksums::None)));
}

TEST_F(WriterTest, WhatTheBootstrapCannotReadIsRefused) {
  EXPECT_EQ(Refusal(std::vector<WriterEntry>(3000, Bytes("", "A", ""))), "");
  EXPECT_NE(Refusal(std::vector<WriterEntry>(3001, Bytes("", "A", ""))), "");
  EXPECT_NE(Refusal({Bytes(std::string(256, 'D'), "A", "")}), "");
  EXPECT_NE(Refusal({Bytes("", std::string(256, 'N'), "")}), "");
  EXPECT_EQ(Refusal({Bytes("", std::string(255, 'N'), "")}), "");
  EXPECT_EQ(Refusal({Bytes(std::string(127, 'D'), std::string(127, 'N'), "")}), "");
  const std::string joined = Refusal({Bytes(std::string(128, 'D'), std::string(127, 'N'), "")});
  EXPECT_NE(joined.find("longer than 255"), std::string::npos) << joined;
  // Damaged-media tests may go further, but not past what the layout can hold.
  EXPECT_EQ(
      Refusal({Bytes(std::string(200, 'D'), std::string(200, 'N'), "")}, ArchiveLimits::FormatOnly),
      "");
  EXPECT_EQ(Refusal(std::vector<WriterEntry>(3001, Bytes("", "A", "")), ArchiveLimits::FormatOnly),
            "");
  EXPECT_NE(Refusal({Bytes("", std::string(256, 'N'), "")}, ArchiveLimits::FormatOnly), "");
}

TEST_F(WriterTest, AFileThatChangedSinceItWasListedIsRefused) {
  const std::string path = testing::TempDir() + "writer_changing.bin";
  std::ofstream(path, std::ios::binary) << std::string(1000, 'a');
  WriterEntry entry = Bytes("", "CHANGING.BIN", "");
  entry.Source = EntrySource::File;
  entry.File = path;
  entry.FileSize = 1000;
  EXPECT_EQ(Refusal({entry}), "");
  entry.FileSize = 1001; // the file is now shorter than when it was listed
  EXPECT_NE(Refusal({entry}).find("shorter"), std::string::npos);
  entry.FileSize = 999; // now longer
  EXPECT_NE(Refusal({entry}).find("grew"), std::string::npos);
  entry.File = testing::TempDir() + "writer_missing.bin";
  EXPECT_NE(Refusal({entry}).find("cannot read"), std::string::npos);
}

} // namespace
