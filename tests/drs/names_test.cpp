// Names on their way into an archive and back out of it under a target folder.
#include <gtest/gtest.h>

#include "code_page.h"
#include "entry_path.h"
#include "format/rules.h"

namespace {

std::string Text(const std::string& name, int codePage) {
  auto text = ArchiveTextFromName(std::filesystem::path(name), codePage);
  return text ? *text : "<refused>";
}

TEST(CodePage, NamesPassOnlyWithAnExactFormInTheTargetCodePage) {
  EXPECT_EQ(Text("N_SETUP.EXE", 0), "N_SETUP.EXE");
  EXPECT_EQ(Text("caf\xC3\xA9.txt", 0), "<refused>");
  EXPECT_EQ(Text("caf\xC3\xA9.txt", 1252), "caf\xE9.txt");
  EXPECT_EQ(Text("\xE2\x82\xAC", 1252), "\x80"); // the euro sign of code page 1252
  EXPECT_EQ(Text("\xED\x95\x9C\xEA\xB8\x80.txt", 949), "\xC7\xD1\xB1\xDB.txt");
  EXPECT_EQ(Text("\xED\x95\x9C.txt", 1252), "<refused>");
  EXPECT_EQ(Text("\xC3\xA9", 949), "<refused>");
  EXPECT_EQ(Text("\xFF\xFE", 1252), "<refused>"); // not UTF-8 at all
  for (const char* unfit : {"a:b", "a\\b", "a*b", "a?b", "a|b", "a\"b", "a<b", "\x01", "tab\t"})
    EXPECT_EQ(Text(unfit, 1252), "<refused>") << unfit;
}

ArchiveEntry Entry(const char* dir, const char* name) {
  ArchiveEntry entry{};
  entry.Dir = const_cast<char*>(dir);
  entry.Name = const_cast<char*>(name);
  return entry;
}

// Where drs unpack puts the entry: nothing for one the rules pass over.
std::string Mapped(const char* dir, const char* name, int codePage = 0) {
  const EntryAction action = DecideEntry(Entry(dir, name), false, 0, nullptr).Action;
  if (action != EntryAction::Write && action != EntryAction::MakeFolder) return "<refused>";
  auto path = MapEntryPath(Entry(dir, name), codePage);
  if (!path) return "<refused>";
  return path->Folder.generic_string() + "|" + path->File.generic_string();
}

TEST(EntryPath, EntriesStayUnderTheTargetFolder) {
  EXPECT_EQ(Mapped("", "A.TXT"), "|A.TXT");
  EXPECT_EQ(Mapped("SUB\\DEEP", "A.TXT"), "SUB/DEEP|SUB/DEEP/A.TXT");
  EXPECT_EQ(Mapped("SUB\\\\.\\DEEP\\", "A.TXT"), "SUB/DEEP|SUB/DEEP/A.TXT");
  EXPECT_EQ(Mapped("EMPTY", ""), "EMPTY|");
  // From the root of a drive, or from a drive: taken relative to the target.
  EXPECT_EQ(Mapped("\\NUVIK", "A.TXT"), "NUVIK|NUVIK/A.TXT");
  EXPECT_EQ(Mapped("C:\\NUVIK", "A.TXT"), "NUVIK|NUVIK/A.TXT");
  // Trailing dots and blanks go as Windows drops them.
  EXPECT_EQ(Mapped("DATA.", "A. ."), "DATA|DATA/A");
  EXPECT_EQ(Mapped("DATA. ", ""), "DATA|");

  for (const auto& [dir, name] : std::initializer_list<std::pair<const char*, const char*>>{
           {"", ""},
           {"", "\\A.TXT"},
           {"SUB", "IN\\A.TXT"},
           {"..", "A.TXT"},
           {"SUB\\..\\..", "A.TXT"},
           {"", ".."},
           {"SUB", "..\\A.TXT"},
           {"SUB", "."},
           {"SUB\\C:", "A.TXT"},
           {"C:NUVIK", "A.TXT"},
           {"", "A.TXT:stream"},
           {"SUB", "C:\\A.TXT"},
           {"a/../../b", "A.TXT"},
           {"", "x/y"},
           {"", "A\x01"},
           {"SUB ", "Y.TXT"}, // the folder made is SUB, the one looked for "SUB "
       })
    EXPECT_EQ(Mapped(dir, name), "<refused>") << dir << " | " << name;
}

TEST(EntryPath, ChosenCodePageTurnsArchiveTextIntoLocalNames) {
  EXPECT_EQ(Mapped("\xC7\xD1", "\xB1\xDB.TXT", 949), "\xED\x95\x9C|\xED\x95\x9C/\xEA\xB8\x80.TXT");
  EXPECT_EQ(Mapped("", "caf\xE9", 1252), "|caf\xC3\xA9");
  EXPECT_EQ(Mapped("", "\xC7", 949), "<refused>"); // a lead byte without its trail
}

} // namespace
