// Run under a version of Windows that the prefix's registry makes Wine report for this
// program's name: ClassifyOs must see that version, and a staging run must leave out
// the ".DL_" entries on the NT family only, in any letter case, and by Name alone.
//   EXPECTED_OS_KIND  the kind the version stands for
#include "check.h"
#include "os_kind.h"
#include "staging/staging.h"
#include "test_support.h"

#include <cstdlib>
#include <string>

namespace {

TEST_CASE(StagingRunKeepsOrSkipsDlUnderscoreEntriesByVersion) {
  const char* expected = std::getenv("EXPECTED_OS_KIND");
  CHECK(expected != nullptr);
  if (!expected) return;
  const int kind = std::atoi(expected);
  CHECK_EQ(kind, ClassifyOs());
  const bool ntFamily = kind >= 5;

  // Each version's program has a scratch folder of its own: they run side by side.
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof module);
  std::string name = module;
  name = name.substr(name.rfind('\\') + 1);
  const std::string base = ScratchDrive() + "\\" + name.substr(0, name.size() - 4);
  FreshDirectory(base);
  CreateDirectoryA((base + "\\MEDIA").c_str(), nullptr);
  CreateDirectoryA((base + "\\TEMP").c_str(), nullptr);
  WriteWholeFile(base + "\\MEDIA\\N_SETUP.DRS", ArchiveImage({{"", "SETUP.DL_", StreamAbc},
                                                              {"", "setup.dl_", StreamAbc},
                                                              {"", "A.Dl_X", StreamAbc},
                                                              {"SKIPDIR", "B.DL_", StreamAbc},
                                                              {"X.DL_", "IN.TXT", StreamAbc},
                                                              {"", "PLAIN.TXT", StreamAbc}}));
  const std::string media = base + "\\MEDIA\\SETUP.EXE";
  ArgumentZeroOverride started(media.c_str());
  TempPathOverride temp(base + "\\TEMP\\");
  PrepareStaging();
  CHECK_EQ(1, ExtractOk);

  const std::string work = base + "\\TEMP\\N80_INST\\";
  CHECK(FileExists(work + "PLAIN.TXT"));
  CHECK(FileExists(work + "X.DL_\\IN.TXT"));
  // Wine's file names do not tell the letter cases apart: one file for both names.
  CHECK_EQ(!ntFamily, FileExists(work + "SETUP.DL_"));
  CHECK_EQ(!ntFamily, FileExists(work + "A.Dl_X"));
  CHECK_EQ(!ntFamily, FileExists(work + "SKIPDIR\\B.DL_"));
  CHECK_EQ(!ntFamily, DirectoryExists(work + "SKIPDIR"));
  CHECK(RecordedBoxes().empty());
}

} // namespace
