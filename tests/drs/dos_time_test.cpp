// DOS date and time fields against known instants, both directions.
#include <gtest/gtest.h>

#include "file_stamp.h"
#include "format/dos_time.h"

namespace {

int64_t ToUnix(uint16_t dosTime, uint16_t dosDate) {
  int64_t unixTime = -1;
  EXPECT_TRUE(DosDateTimeToUnixTime(JoinDosDateTime(dosTime, dosDate), &unixTime));
  return unixTime;
}

bool Valid(int year, int month, int day, int hour, int minute, int halfSeconds) {
  const uint32_t value = static_cast<uint32_t>(year - 1980) << 25 | month << 21 | day << 16 |
                         hour << 11 | minute << 5 | halfSeconds;
  int64_t ignored;
  return DosDateTimeToUnixTime(value, &ignored);
}

TEST(DosTime, SplitsTheStoredFieldsWithoutJudgingThem) {
  const DosCalendarTime time = SplitDosDateTime(JoinDosDateTime(0x7A4F, 0x2B21));
  EXPECT_EQ(time.Year, 2001);
  EXPECT_EQ(time.Month, 9);
  EXPECT_EQ(time.Day, 1);
  EXPECT_EQ(time.Hour, 15);
  EXPECT_EQ(time.Minute, 18);
  EXPECT_EQ(time.Second, 30);
  EXPECT_EQ(ToUnix(0x7A4F, 0x2B21), 999357510); // 2001-09-01 15:18:30 UTC

  const DosCalendarTime zero = SplitDosDateTime(0);
  EXPECT_EQ(zero.Year, 1980);
  EXPECT_EQ(zero.Month, 0);
  EXPECT_EQ(zero.Day, 0);
  EXPECT_FALSE(IsValidDosCalendarTime(zero));

  const DosCalendarTime top = SplitDosDateTime(0xFFFFFFFF);
  EXPECT_EQ(top.Year, 2107);
  EXPECT_EQ(top.Month, 15);
  EXPECT_EQ(top.Hour, 31);
  EXPECT_EQ(top.Minute, 63);
  EXPECT_EQ(top.Second, 62);
}

TEST(DosTime, OnlyRealCalendarInstantsConvert) {
  EXPECT_TRUE(Valid(1980, 1, 1, 0, 0, 0));
  EXPECT_TRUE(Valid(2107, 12, 31, 23, 59, 29));
  EXPECT_TRUE(Valid(2000, 2, 29, 12, 0, 0));
  EXPECT_TRUE(Valid(2024, 2, 29, 12, 0, 0));
  EXPECT_FALSE(Valid(2100, 2, 29, 12, 0, 0)); // a century that is no leap year
  EXPECT_FALSE(Valid(2023, 2, 29, 12, 0, 0));
  EXPECT_FALSE(Valid(2001, 2, 30, 0, 0, 0));
  EXPECT_FALSE(Valid(2001, 4, 31, 0, 0, 0));
  EXPECT_FALSE(Valid(2001, 0, 1, 0, 0, 0));
  EXPECT_FALSE(Valid(2001, 13, 1, 0, 0, 0));
  EXPECT_FALSE(Valid(2001, 1, 0, 0, 0, 0));
  EXPECT_FALSE(Valid(2001, 1, 1, 24, 0, 0));
  EXPECT_FALSE(Valid(2001, 1, 1, 0, 60, 0));
  EXPECT_FALSE(Valid(2001, 1, 1, 0, 0, 30)); // second 60
}

TEST(DosTime, ModificationTimesAreStoredInUtcEvenSecondsAndClamped) {
  const DosStamp known = DosStampFromUnixTime(999357511);
  EXPECT_EQ(known.DosTime, 0x7A4F); // the odd second rounds down to :30
  EXPECT_EQ(known.DosDate, 0x2B21);

  const DosStamp early = DosStampFromUnixTime(0);
  EXPECT_EQ(early.DosTime, 0);
  EXPECT_EQ(early.DosDate, 0x0021); // 1980-01-01
  EXPECT_EQ(DosStampFromUnixTime(-86400).DosDate, 0x0021);

  const DosStamp late = DosStampFromUnixTime(int64_t{1} << 40);
  EXPECT_EQ(ToUnix(late.DosTime, late.DosDate), 4354819198); // 2107-12-31 23:59:58

  // Both directions agree across the whole range, through leap days and century years.
  for (int64_t t = 315532800; t <= 4354819199; t += 9999991) {
    const DosStamp stamp = DosStampFromUnixTime(t);
    ASSERT_EQ(ToUnix(stamp.DosTime, stamp.DosDate), t - t % 2) << t;
  }
  for (int64_t t : {int64_t{951782400}, int64_t{951868799}, int64_t{4107542400},
                    int64_t{4107628799}}) { // around 2000-02-29, 2100-03-01
    const DosStamp stamp = DosStampFromUnixTime(t);
    EXPECT_EQ(ToUnix(stamp.DosTime, stamp.DosDate), t - t % 2) << t;
  }
}

} // namespace
