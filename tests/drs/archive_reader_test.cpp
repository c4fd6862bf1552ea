// The directory reader on archives laid out byte by byte, sound, odd and cut short.
#include <gtest/gtest.h>

#include <cstdlib>

#include "format/archive.h"
#include "lzhuf/lzhuf.h"
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

  // Reads the directory; returns its status, with `count` and `standsAt` set after
  // ReadDone.
  int Read(const std::string& bytes, int* count = nullptr, long* standsAt = nullptr) {
    FileHandle archive = StreamOf(bytes);
    const int status = ReadArchiveDirectory(archive.get());
    if (status == ReadDone && count) *count = EntryCount;
    if (status == ReadDone && standsAt) *standsAt = std::ftell(archive.get());
    return status;
  }

  // The entry's bytes, or its status when the decoding does not end in DecodeDone.
  std::string Decode(const std::string& bytes, uint32_t position) {
    FileHandle archive = StreamOf(bytes);
    FileHandle output(std::tmpfile());
    std::fseek(archive.get(), position, SEEK_SET);
    const int status = DecodeEntry(archive.get(), output.get());
    if (status != DecodeDone) return "status " + std::to_string(status);
    return ContentOf(output.get());
  }
};

TEST_F(ReaderTest, ReadsTheSmallestArchiveAndItsEntryDecodes) {
  const std::string bytes = SmallArchive();
  ASSERT_EQ(bytes.size(), 89u);
  int count = 0;
  long standsAt = 0;
  ASSERT_EQ(Read(bytes, &count, &standsAt), ReadDone);
  EXPECT_EQ(count, 1);
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
  const std::string bytes =
      WithDataBase(WithOffset(WithOffset(WithOffset(ArchiveImage({{"SUB", "FILE.EXE", "", 1, 2},
                                                                  {"", "README.TXT\x01", "", 3, 4},
                                                                  {longest, longest, "", 5, 6}}),
                                                    0, 7),
                                         1, 0x01020304),
                              2, 0xFFFFFFFF),
                   0xA1B2C3D4);
  long standsAt = 0;
  ASSERT_EQ(Read(bytes, nullptr, &standsAt), ReadDone);
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
  const std::string two =
      WithDataBase(ArchiveImage({{"SUB", "FILE.EXE", ""}, {"", "README.TXT1", ""}}), 112);
  EXPECT_EQ(two.substr(108, 4), Le32(112));
  ASSERT_EQ(Read(two, nullptr, &standsAt), ReadDone);
  EXPECT_EQ(standsAt, 112);
  EXPECT_EQ(DataBase, 112u);
}

TEST_F(ReaderTest, CountsOfZeroOrBelowMeanAnEmptyDirectory) {
  for (const uint16_t stored : {0x0000, 0x8000, 0xFFFF}) {
    SCOPED_TRACE(stored);
    int count = 1;
    long standsAt = 0;
    ASSERT_EQ(Read(WithCount(ArchiveImage({}), stored), &count, &standsAt), ReadDone);
    EXPECT_EQ(count, static_cast<int16_t>(stored));
    EXPECT_EQ(EntryCount, static_cast<int16_t>(stored));
    EXPECT_EQ(DataBase, 62u);
    EXPECT_EQ(standsAt, 62);
    ReleaseEntryTexts(); // releases nothing for a count of 0 or below
  }
}

TEST_F(ReaderTest, CountsAboveTheTableAreRefusedAndTheFullTableIsRead) {
  std::vector<TestEntry> entries;
  for (int i = 0; i < 3000; ++i)
    entries.push_back({"", std::string("F").append(std::to_string(i)), ""});
  ASSERT_EQ(Read(ArchiveImage(entries)), ReadDone);
  EXPECT_EQ(EntryCount, 3000);
  EXPECT_STREQ(EntryTable[2999].Name, "F2999");
  ReleaseEntryTexts();

  entries.push_back({"", "F", ""});
  EXPECT_EQ(Read(ArchiveImage(entries)), ReadTooManyEntries);
  EXPECT_EQ(Read(WithCount(ArchiveImage({}), 0x7FFF)), ReadTooManyEntries);
}

TEST_F(ReaderTest, EveryCutOfAnArchiveIsRefusedOrReadSoundly) {
  const std::string whole = ArchiveImage({{"D", "A.TXT", StreamAbc}, {"", "B.TXT", StreamAbc}});
  const size_t directoryEnd = 58 + 20 + 19 + 4;
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    const std::string bytes = whole.substr(0, cut);
    const int status = Read(bytes);
    if (cut < directoryEnd) {
      EXPECT_EQ(status, ReadCutShort);
      // A refusal leaves only records whose texts exist for the release.
      EXPECT_LE(EntryCount, 2);
    } else {
      ASSERT_EQ(status, ReadDone);
      for (int i = 0; i < EntryCount; ++i) {
        const std::string decoded = Decode(bytes, DataBase + EntryTable[i].Offset);
        EXPECT_TRUE(decoded == "abc" || decoded == "status " + std::to_string(DecodeNoSize) ||
                    decoded == "status " + std::to_string(DecodeStreamEnded))
            << decoded;
      }
    }
    ReleaseEntryTexts();
    EntryCount = 0;
  }
}

} // namespace
