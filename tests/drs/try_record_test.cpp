// drs try's reading of the watcher's record and its table: what a run left is told
// as it happened, and the same box seen in many runs is one numbered line.
#include <gtest/gtest.h>

#include "try_record.h"

namespace {

const char Handed[] = "code pages: 1252 437\nwindows: 4.10 95\nscreen: 1024 768\n"
                      "work directory: C:\\TEMP\\N80_INST\nstarted: yes\nwindow: 1024 768\n"
                      "box: none\tNotice\tCOM port modified !!\\nRestart ?\n"
                      "staged folder: DATA\nstaged: 20\tDATA\\A.INI\nstaged: 48128\tN_SETUP.EXE\n"
                      "hand-off: C:\\TEMP\\N80_INST\\N_SETUP.EXE 7 8 Z:\\m\\SETUP.EXE\n"
                      "setup program: ended by itself\nbootstrap window closed by: the setup "
                      "program\nexit code: 0\nwork directory left: no\nsplash image: splash.bmp\n";

const char Failed[] = "code pages: 1252 437\nwindows: 6.2 nt\nscreen: 1024 768\nstarted: yes\r\n"
                      "window: 1024 768\r\nbox: none\tNotice\tCOM port modified !!\\nRestart ?\r\n"
                      "box: none\tFatal Error\tFile error !!\r\nbox: splash\tFatal error (Please "
                      "check Disk)\tCan't continue Installation.\r\nstaged: 300\tN_SETUP.DRS\r\n"
                      "exit code: C0000005\r\nwork directory left: yes\r\n";

TEST(TryRecord, ReadsWhatTheWatcherRecorded) {
  const TryRecord handed = ParseTryRecord(Handed);
  EXPECT_TRUE(handed.HandedOff && handed.SplashImage && !handed.WorkDirectoryLeft);
  ASSERT_EQ(handed.Staged.size(), 3u);
  EXPECT_TRUE(handed.Staged[0].Folder);
  EXPECT_EQ(handed.Staged[2].Size, 48128u);
  const std::string report = DescribeRun({"98", 1252}, handed);
  EXPECT_NE(report.find("Windows 95 family"), std::string::npos) << report;
  EXPECT_NE(report.find("\"Notice\" (no owner): COM port modified !! / Restart ?"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("2 files, 48148 bytes"), std::string::npos) << report;
  EXPECT_EQ(report.find("note:"), std::string::npos) << report;

  // Windows 95 asked for and not given, nor code page 949: said, not hidden.
  const std::string noted = DescribeRun({"95", 949}, handed);
  EXPECT_NE(noted.find("did not take the version"), std::string::npos) << noted;
  EXPECT_NE(noted.find("code page 949 was asked for"), std::string::npos) << noted;

  const TryRecord failed = ParseTryRecord(Failed);
  EXPECT_FALSE(failed.HandedOff);
  EXPECT_TRUE(failed.WorkDirectoryLeft);
  const std::string crashed = DescribeRun({"10", 1252}, failed);
  EXPECT_NE(crashed.find("crashed (exception C0000005)"), std::string::npos) << crashed;
  EXPECT_NE(crashed.find("hand-off: none"), std::string::npos) << crashed;

  // A setup program that ran but whose command line could not be read: started, not "none".
  const TryRecord unknown = ParseTryRecord(
      "started: yes\nwork directory unknown: no hand-off\nhand-off unknown: unreadable\n"
      "setup program: ended by the watcher\nexit code: 0\n");
  const std::string told = DescribeRun({"98", 1252}, unknown);
  EXPECT_TRUE(unknown.HandedOff);
  EXPECT_NE(told.find("hand-off: unknown (unreadable); the setup program started"),
            std::string::npos)
      << told;
  EXPECT_NE(told.find("work directory: unknown (no hand-off)"), std::string::npos) << told;

  const std::string table = RunTable({{{"98", 1252}, handed}, {{"10", 1252}, failed}});
  EXPECT_NE(table.find("98       1252       1024x768    1        2 files    started        exit 0"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("1,2,3    1 files    NOT started    crashed C0000005 left"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("  3 \"Fatal error (Please check Disk)\" (over the splash): Can't continue"),
            std::string::npos)
      << table;
}

} // namespace
