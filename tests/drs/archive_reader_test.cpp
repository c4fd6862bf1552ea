// The directory reader on archives laid out byte by byte, sound, odd and cut short.
#include <gtest/gtest.h>

#include <cstdlib>

#include "archive_view.h"
#include "lzhuf/lzhuf.h"
#include "staging/archive.h"
#include "test_archives.h"

namespace {

class ReaderTest : public testing::Test {
protected:
  void SetUp() override {
    EntryTable = static_cast<ArchiveEntry*>(std::malloc(sizeof(ArchiveEntry) * MaxEntries));
    EntryCount = 0;
  }
  void TearDown() override {
    ReleaseEntryTexts();
    std::free(EntryTable);
    EntryTable = nullptr;
  }

  // Reads the directory; returns the message of a refusal, or "" with `count` set.
  std::string Read(const std::string& bytes, int16_t* count = nullptr, long* standsAt = nullptr) {
    FileHandle archive = StreamOf(bytes);
    try {
      const int16_t result = ReadArchiveDirectory(archive.get());
      if (count) *count = result;
      if (standsAt) *standsAt = std::ftell(archive.get());
      return "";
    } catch (const DamagedArchive& error) {
      return error.what();
    }
  }

  std::string Decode(const std::string& bytes, uint32_t position) {
    FileHandle archive = StreamOf(bytes);
    FileHandle output(std::tmpfile());
    std::fseek(archive.get(), position, SEEK_SET);
    DecodeEntry(archive.get(), output.get());
    return ContentOf(output.get());
  }
};

TEST_F(ReaderTest, ReadsTheSmallestArchiveAndItsEntryDecodes) {
  const std::string bytes = SmallArchive();
  ASSERT_EQ(bytes.size(), 89u);
  int16_t count = 0;
  long standsAt = 0;
  ASSERT_EQ(Read(bytes, &count, &standsAt), "");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(EntryCount, 1);
  EXPECT_EQ(DataBase, 81u);
  EXPECT_EQ(standsAt, 81);
  EXPECT_STREQ(EntryTable[0].Dir, "");
  EXPECT_STREQ(EntryTable[0].Name, "A.TXT");
  EXPECT_EQ(EntryTable[0].DosTime, 0x7A4F);
  EXPECT_EQ(EntryTable[0].DosDate, 0x2B21);
  EXPECT_EQ(Decode(bytes, DataBase + EntryTable[0].Offset), "abc");
}

TEST_F(ReaderTest, EveryRecordIsFollowedByItsOwnTexts) {
  const std::string longest(255, 'N');
  const std::string bytes = ArchiveHead(3) + DirectoryRecord(7, 1, 2, "SUB", "FILE.EXE") +
                            DirectoryRecord(0x01020304, 3, 4, "", "README.TXT\x01") +
                            DirectoryRecord(0xFFFFFFFF, 5, 6, longest, longest) + Le32(0xA1B2C3D4);
  long standsAt = 0;
  ASSERT_EQ(Read(bytes, nullptr, &standsAt), "");
  EXPECT_EQ(standsAt, 58 + 25 + 25 + 14 + 510 + 4);
  EXPECT_EQ(DataBase, 0xA1B2C3D4u);
  EXPECT_STREQ(EntryTable[0].Dir, "SUB");
  EXPECT_STREQ(EntryTable[0].Name, "FILE.EXE");
  EXPECT_EQ(EntryTable[0].Offset, 7u);
  EXPECT_EQ(EntryTable[1].DirLength, 0);
  EXPECT_STREQ(EntryTable[1].Dir, "");
  EXPECT_EQ(EntryTable[1].Offset, 0x01020304u);
  EXPECT_EQ(EntryTable[1].NameLength, 11);
  EXPECT_EQ(EntryTable[2].Offset, 0xFFFFFFFFu);
  EXPECT_EQ(EntryTable[2].DosTime, 5);
  EXPECT_EQ(EntryTable[2].DosDate, 6);
  EXPECT_EQ(std::string(EntryTable[2].Dir), longest);
  EXPECT_EQ(EntryTable[2].Name[255], '\0');
  ReleaseEntryTexts();

  // The two-entry layout with lengths (3, 8) and (0, 11) puts DataBase at 108.
  const std::string two = ArchiveHead(2) + DirectoryRecord(0, 0, 0, "SUB", "FILE.EXE") +
                          DirectoryRecord(0, 0, 0, "", "README.TXT1") + Le32(112);
  EXPECT_EQ(two.substr(108, 4), Le32(112));
  ASSERT_EQ(Read(two, nullptr, &standsAt), "");
  EXPECT_EQ(standsAt, 112);
  EXPECT_EQ(DataBase, 112u);
}

TEST_F(ReaderTest, CountsOfZeroOrBelowMeanAnEmptyDirectory) {
  for (const uint16_t stored : {0x0000, 0x8000, 0xFFFF}) {
    SCOPED_TRACE(stored);
    int16_t count = 1;
    long standsAt = 0;
    ASSERT_EQ(Read(ArchiveHead(stored) + Le32(58 + 4), &count, &standsAt), "");
    EXPECT_EQ(count, static_cast<int16_t>(stored));
    EXPECT_EQ(EntryCount, static_cast<int16_t>(stored));
    EXPECT_EQ(DataBase, 62u);
    EXPECT_EQ(standsAt, 62);
    ReleaseEntryTexts(); // releases nothing for a count of 0 or below
  }
}

TEST_F(ReaderTest, CountsAboveTheTableAreRefusedAndTheFullTableIsRead) {
  std::string full = ArchiveHead(3000);
  for (int i = 0; i < 3000; ++i)
    full += DirectoryRecord(0, 0, 0, "", std::string("F").append(std::to_string(i)));
  full += Le32(0);
  ASSERT_EQ(Read(full), "");
  EXPECT_EQ(EntryCount, 3000);
  EXPECT_STREQ(EntryTable[2999].Name, "F2999");
  ReleaseEntryTexts();

  std::string over = ArchiveHead(3001);
  for (int i = 0; i < 3001; ++i)
    over += DirectoryRecord(0, 0, 0, "", "F");
  EXPECT_EQ(Read(over + Le32(0)), "File error !!");
  EXPECT_EQ(Read(ArchiveHead(0x7FFF) + Le32(0)), "File error !!");
}

TEST_F(ReaderTest, EveryCutOfAnArchiveIsRefusedOrReadSoundly) {
  const std::string whole = ArchiveHead(2) + DirectoryRecord(0, 0x7A4F, 0x2B21, "D", "A.TXT") +
                            DirectoryRecord(8, 0x7A4F, 0x2B21, "", "B.TXT") +
                            Le32(58 + 20 + 19 + 4) +
                            std::string("\x03\x00\x00\x00\xF6\xFB\xBD\xE0", 8) +
                            std::string("\x03\x00\x00\x00\xF6\xFB\xBD\xE0", 8);
  const size_t directoryEnd = 58 + 20 + 19 + 4;
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    const std::string bytes = whole.substr(0, cut);
    const std::string refusal = Read(bytes);
    if (cut < directoryEnd) {
      EXPECT_EQ(refusal, "File error !!");
      // A refusal leaves only records whose texts exist for the release.
      EXPECT_LE(EntryCount, 2);
    } else {
      ASSERT_EQ(refusal, "");
      for (int i = 0; i < EntryCount; ++i) {
        try {
          EXPECT_EQ(Decode(bytes, DataBase + EntryTable[i].Offset), "abc");
        } catch (const DamagedArchive& error) {
          EXPECT_STREQ(error.what(), "File error !!");
        }
      }
    }
    ReleaseEntryTexts();
    EntryCount = 0;
  }
}

} // namespace
