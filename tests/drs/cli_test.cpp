// The drs program as people run it: exit codes, messages, and what lands on disk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "checksum/crc32.h"
#include "checksum/sha256.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int Status;
  std::string Output; // standard output and standard error together
};

// Runs a shell command; `streams` picks what is captured (by default both).
Outcome RunShell(const std::string& command, const char* streams = " 2>&1") {
  std::FILE* pipe = popen((command + streams).c_str(), "r");
  Outcome outcome{-1, ""};
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    outcome.Output.append(buffer, n);
  const int status = pclose(pipe);
  outcome.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return outcome;
}

Outcome RunDrs(const std::string& arguments, const char* streams = " 2>&1") {
  return RunShell(std::string(DRS_PROGRAM) + " " + arguments, streams);
}

std::string Quote(const fs::path& path) {
  return "'" + path.string() + "'";
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The headers drs media asks of a SETUP.EXE: an i386 PE32 program of the Windows GUI
// subsystem 4.0; nothing more is read.
void WriteSetupExe(const fs::path& path) {
  std::string bytes(0x40 + 24 + 96, '\0');
  auto put16 = [&bytes](size_t at, int value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
  };
  bytes.replace(0, 2, "MZ");
  put16(0x3C, 0x40);
  bytes.replace(0x40, 2, "PE");
  put16(0x44, 0x14C);
  put16(0x58, 0x10B);
  put16(0x58 + 48, 4);
  put16(0x58 + 68, 2);
  Write(path, bytes);
}

void SetTime(const fs::path& path, int64_t unixTime) {
  fs::last_write_time(path, std::chrono::file_clock::from_sys(
                                std::chrono::sys_seconds{std::chrono::seconds(unixTime)}));
}

int64_t TimeOf(const fs::path& path) {
  const auto time = std::chrono::file_clock::to_sys(fs::last_write_time(path));
  return std::chrono::floor<std::chrono::seconds>(time).time_since_epoch().count();
}

class DrsTest : public testing::Test {
protected:
  void SetUp() override {
    Work =
        fs::path(testing::TempDir()) /
        ("drs_cli_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "_" + std::to_string(getpid()));
    fs::remove_all(Work);
    fs::create_directories(Work);
  }
  void TearDown() override { fs::remove_all(Work); }

  // A small installer tree with the kinds of entries drs pack makes.
  fs::path MakeTree(const std::string& name) {
    const fs::path tree = Work / name;
    std::string random;
    uint32_t state = 12345;
    for (int i = 0; i < 70000; ++i)
      random.push_back(static_cast<char>((state = state * 1103515245 + 12345) >> 24));
    std::string text;
    for (int i = 0; i < 3000; ++i)
      text += "line " + std::to_string(i % 97) + " of the setup notes\r\n";
    Write(tree / "N_SETUP.EXE", random);
    Write(tree / "README.TXT", text);
    Write(tree / "EMPTY.DAT", "");
    Write(tree / "ONE.DAT", "x");
    Write(tree / "SYSTEM" / "CTL3D.DL_", text.substr(0, 4097));
    Write(tree / "SYSTEM" / "DEEP" / "A.TXT", "abc");
    fs::create_directories(tree / "SYSTEM" / "NOTHING");
    SetTime(tree / "N_SETUP.EXE", 999357511); // odd second: stored as :30
    SetTime(tree / "README.TXT", 100000000);  // 1973: stored as 1980-01-01
    SetTime(tree / "EMPTY.DAT", 1600000000);
    SetTime(tree / "ONE.DAT", 1600000001);
    SetTime(tree / "SYSTEM" / "CTL3D.DL_", 1600000002);
    SetTime(tree / "SYSTEM" / "DEEP" / "A.TXT", 1700000000);
    SetTime(tree / "SYSTEM" / "NOTHING", 1600000003);
    return tree;
  }

  fs::path Work;
};

TEST_F(DrsTest, PackThenUnpackGivesBackTheTreeWithItsTimes) {
  const fs::path tree = MakeTree("tree");
  const fs::path archive = Work / "N_SETUP.DRS";
  Outcome packed = RunDrs("pack -o " + Quote(archive) + " " + Quote(tree));
  ASSERT_EQ(packed.Status, 0) << packed.Output;
  EXPECT_EQ(packed.Output, ""); // quiet when standard error is no terminal

  Outcome verified = RunDrs("verify " + Quote(archive));
  EXPECT_EQ(verified.Status, 0) << verified.Output;

  Outcome listed = RunDrs("list " + Quote(archive));
  ASSERT_EQ(listed.Status, 0) << listed.Output;
  char readme[16];
  std::snprintf(readme, sizeof readme, "%10ju",
                static_cast<uintmax_t>(fs::file_size(tree / "README.TXT")));
  EXPECT_EQ(listed.Output, "         0  2020-09-13 12:26:40  -        EMPTY.DAT\n"
                           "     70000  2001-09-01 15:18:30  -        N_SETUP.EXE\n"
                           "         1  2020-09-13 12:26:40  -        ONE.DAT\n" +
                               std::string(readme) +
                               "  1980-01-01 00:00:00  -        README.TXT\n"
                               "      4097  2020-09-13 12:26:42  nt-skip  SYSTEM\\CTL3D.DL_\n"
                               "         3  2023-11-14 22:13:20  -        SYSTEM\\DEEP\\A.TXT\n"
                               "       dir  2020-09-13 12:26:42  -        SYSTEM\\NOTHING\\\n");

  // For scripts: the same, and the plan of each family, as JSON that reads back.
  const Outcome json =
      RunDrs("list --json " + Quote(archive) +
                 " | python3 -c 'import json,sys; e=json.load(sys.stdin)[\"entries\"]; "
                 "print(len(e), e[4][\"path\"], e[4][\"size\"], e[4][\"ntSkip\"], e[6][\"size\"], "
                 "e[6][\"folderOnly\"], e[1][\"time\"])'",
             "");
  EXPECT_EQ(json.Output, "7 SYSTEM\\CTL3D.DL_ 4097 True None True 2001-09-01 15:18:30\n");
  const Outcome plan = RunDrs(
      "verify --json " + Quote(archive) +
          " | python3 -c 'import json,sys; d=json.load(sys.stdin); f=d[\"families\"]; "
          "print(d[\"installs\"], [len(x[\"steps\"]) for x in f], f[1][\"steps\"][4][\"action\"], "
          "f[1][\"startsSetupProgram\"])'",
      "");
  EXPECT_EQ(plan.Output, "True [7, 7] leaves out True\n");

  const fs::path out = Work / "out";
  Outcome unpacked = RunDrs("unpack " + Quote(archive) + " " + Quote(out));
  ASSERT_EQ(unpacked.Status, 0) << unpacked.Output;
  for (const char* file : {"N_SETUP.EXE", "README.TXT", "EMPTY.DAT", "ONE.DAT", "SYSTEM/CTL3D.DL_",
                           "SYSTEM/DEEP/A.TXT"}) {
    EXPECT_EQ(Read(out / file), Read(tree / file)) << file;
    EXPECT_EQ(fs::file_size(out / file), fs::file_size(tree / file)) << file;
  }
  EXPECT_TRUE(fs::is_directory(out / "SYSTEM" / "NOTHING"));
  EXPECT_TRUE(fs::is_empty(out / "SYSTEM" / "NOTHING"));
  EXPECT_EQ(TimeOf(out / "N_SETUP.EXE"), 999357510);
  EXPECT_EQ(TimeOf(out / "README.TXT"), 315532800);
  EXPECT_EQ(TimeOf(out / "SYSTEM" / "DEEP" / "A.TXT"), 1700000000);
}

TEST_F(DrsTest, TheSameTreeAndTimesGiveTheSameArchive) {
  const fs::path first = MakeTree("first");
  const fs::path second = MakeTree("second"); // same content, made at another moment
  ASSERT_EQ(RunDrs("pack -q -o " + Quote(Work / "1.DRS") + " " + Quote(first)).Status, 0);
  // The same words spelled the other usual ways.
  ASSERT_EQ(
      RunDrs("pack --codepage=1252 -o" + Quote(Work / "2.DRS") + " -- " + Quote(second)).Status, 0);
  EXPECT_EQ(Read(Work / "1.DRS"), Read(Work / "2.DRS"));
  // Written into the tree it packs, twice: the archive is left out, so the second
  // holds no copy of the first (nor of its temporary).
  for (int run = 0; run < 2; ++run) {
    const Outcome inside = RunDrs("pack -o " + Quote(first / "N_SETUP.DRS") + " " + Quote(first));
    EXPECT_EQ(inside.Status, 0) << inside.Output;
    EXPECT_EQ(inside.Output, "drs pack: " + (first / "N_SETUP.DRS").string() +
                                 " is left out: it is the archive being written\n");
    EXPECT_EQ(Read(first / "N_SETUP.DRS"), Read(Work / "1.DRS"));
  }
  EXPECT_EQ(Read(Work / "1.DRS").size(), fs::file_size(Work / "1.DRS"));
}

TEST_F(DrsTest, RefusedTreesLeaveNoArchiveBehind) {
  const fs::path archive = Work / "N_SETUP.DRS";
  Write(archive, "the previous archive");
  auto refused = [&](const fs::path& tree, const std::string& options, const std::string& why) {
    SCOPED_TRACE(why);
    Outcome outcome = RunDrs("pack " + options + " -o " + Quote(archive) + " " + Quote(tree));
    EXPECT_EQ(outcome.Status, 1) << outcome.Output;
    EXPECT_NE(outcome.Output.find(why), std::string::npos) << outcome.Output;
    EXPECT_EQ(std::count(outcome.Output.begin(), outcome.Output.end(), '\n'), 1) << outcome.Output;
    EXPECT_EQ(Read(archive), "the previous archive");
    for (const auto& item : fs::directory_iterator(Work))
      EXPECT_EQ(item.path().filename().string().find(".drs-tmp"), std::string::npos);
  };

  const fs::path linked = MakeTree("linked");
  fs::create_symlink("README.TXT", linked / "LINK.TXT");
  refused(linked, "", "symbolic link");

  const fs::path special = MakeTree("special");
  ASSERT_EQ(mkfifo((special / "PIPE").c_str(), 0600), 0);
  refused(special, "", "not a regular file");

  const fs::path korean = MakeTree("korean");
  Write(korean / "\xED\x95\x9C\xEA\xB8\x80.TXT", "k");
  refused(korean, "", "not plain ASCII");
  // Control characters in a name are shown as drs list shows them: on one line, inert.
  const fs::path control = MakeTree("control");
  Write(control / "LINE\nBREAK\x1B[2J.TXT", "c");
  refused(control, "", "LINE\\x0ABREAK\\x1B[2J.TXT: the name is not plain ASCII");
  refused(korean, "--codepage 1252", "code page 1252");
  Outcome accepted =
      RunDrs("pack --codepage 949 -o " + Quote(Work / "K.DRS") + " " + Quote(korean));
  EXPECT_EQ(accepted.Status, 0) << accepted.Output;
  EXPECT_EQ(
      RunDrs("unpack --codepage 949 " + Quote(Work / "K.DRS") + " " + Quote(Work / "k")).Status, 0);
  EXPECT_EQ(Read(Work / "k" / "\xED\x95\x9C\xEA\xB8\x80.TXT"), "k");
  // Its names are code page 949: shown as UTF-8 when it is named, as \xNN otherwise, and
  // not written as file names without it.
  EXPECT_NE(RunDrs("list --codepage 949 " + Quote(Work / "K.DRS"))
                .Output.find("  -        \xED\x95\x9C\xEA\xB8\x80.TXT\n"),
            std::string::npos);
  EXPECT_NE(
      RunDrs("list " + Quote(Work / "K.DRS")).Output.find("  -        \\xC7\\xD1\\xB1\\xDB.TXT\n"),
      std::string::npos);
  const Outcome plain = RunDrs("unpack " + Quote(Work / "K.DRS") + " " + Quote(Work / "k2"));
  EXPECT_EQ(plain.Status, 1);
  EXPECT_NE(plain.Output.find("(\\xC7\\xD1\\xB1\\xDB.TXT): its name is not plain ASCII"),
            std::string::npos)
      << plain.Output;
  EXPECT_TRUE(fs::exists(Work / "k2" / "N_SETUP.EXE"));

  const fs::path cased = MakeTree("cased");
  Write(cased / "readme.txt", "lower");
  refused(cased, "", "letter case");

  const fs::path deep = Work / "deep";
  Write(deep / std::string(200, 'D') / std::string(60, 'N'), "x"); // joined: 261 bytes
  refused(deep, "", "longer than 255");
  const fs::path deeper = Work / "deeper";
  fs::create_directories(deeper / std::string(130, 'A') / std::string(130, 'B'));
  refused(deeper, "", "longer than 255");

  const fs::path many = Work / "many";
  fs::create_directories(many);
  for (int i = 0; i <= 3000; ++i)
    std::ofstream(many / std::string("F").append(std::to_string(i)));
  refused(many, "", "at most 3000");

  refused(Work / "missing", "", "not a folder");

  // Permissions do not stop the superuser, so only others see this refusal.
  if (geteuid() != 0) {
    const fs::path locked = MakeTree("locked");
    fs::permissions(locked / "ONE.DAT", fs::perms::none);
    refused(locked, "", "cannot be read");
    fs::permissions(locked / "ONE.DAT", fs::perms::owner_all);
  }
}

TEST_F(DrsTest, DamagedArchivesAreReportedNeverTrusted) {
  const fs::path tree = MakeTree("tree");
  const fs::path archive = Work / "N_SETUP.DRS";
  ASSERT_EQ(RunDrs("pack -o " + Quote(archive) + " " + Quote(tree)).Status, 0);
  const std::string whole = Read(archive);

  // A bit stream cut short: the last entry's stream ends early.
  Write(Work / "CUT.DRS", whole.substr(0, whole.size() - 10));
  Outcome cut = RunDrs("verify " + Quote(Work / "CUT.DRS"));
  EXPECT_EQ(cut.Status, 1);
  EXPECT_NE(cut.Output.find("entry 6 (SYSTEM\\DEEP\\A.TXT) is damaged"), std::string::npos)
      << cut.Output;
  Write(Work / "HEAD.DRS", whole.substr(0, 70));
  Outcome head = RunDrs("list " + Quote(Work / "HEAD.DRS"));
  EXPECT_EQ(head.Status, 1);
  EXPECT_NE(head.Output.find("HEAD.DRS: not an N_SETUP.DRS archive (the head or directory is "
                             "cut short)"),
            std::string::npos)
      << head.Output;

  // Files that are no archive at all, which SETUP.EXE would read as one all the same.
  WriteSetupExe(Work / "SETUP.EXE");
  for (const fs::path& file : {Work / "SETUP.EXE", fs::path("/bin/ls"), Work})
    for (const char* command : {"list ", "verify ", "unpack "}) {
      const std::string target = command == std::string("unpack ") ? " " + Quote(Work / "u") : "";
      const Outcome outcome = RunDrs(command + Quote(file) + target);
      EXPECT_EQ(outcome.Status, 1) << command << file;
      EXPECT_NE(outcome.Output.find(file.string() + ": not an N_SETUP.DRS archive ("),
                std::string::npos)
          << outcome.Output;
      EXPECT_FALSE(fs::exists(Work / "u"));
    }

  // Cuts through the head, the directory and the streams: refused or sound, never a
  // crash, never a wrong file (the reader's own tests cut at every byte, in-process).
  for (size_t length = 0; length < whole.size(); length += (length < 260 ? 7 : 1999)) {
    Write(Work / "C.DRS", whole.substr(0, length));
    for (const char* command : {"verify", "list"}) {
      const Outcome outcome = RunDrs(std::string(command) + " " + Quote(Work / "C.DRS"));
      EXPECT_LE(outcome.Status, 1) << command << " " << length << outcome.Output;
    }
    const Outcome unpacked = RunDrs("unpack " + Quote(Work / "C.DRS") + " " + Quote(Work / "u"));
    EXPECT_LE(unpacked.Status, 1) << length << unpacked.Output;
    if (fs::exists(Work / "u" / "N_SETUP.EXE")) {
      EXPECT_TRUE(Read(Work / "u" / "N_SETUP.EXE") == Read(tree / "N_SETUP.EXE"))
          << "cut at " << length << ": " << unpacked.Output;
    }
    fs::remove_all(Work / "u");
  }
}

// Each entry's CRC-32 and the seal of a medium, as unpack and verify see them.
TEST_F(DrsTest, ChecksumsAndSealsAreHeldToTheBytes) {
  const fs::path tree = MakeTree("tree"), medium = Work / "medium";
  const fs::path archive = medium / "N_SETUP.DRS";
  ASSERT_EQ(RunDrs("pack -o " + Quote(archive) + " " + Quote(tree)).Status, 0);
  const std::string whole = Read(archive);
  // README.TXT's stored CRC changed, and the directory's CRC made right again.
  std::string wrong = whole;
  wrong[wrong.find("README.TXT") - 10] ^= 1;
  const size_t end = wrong.find("SYSTEM\\NOTHING") + 14 + 4;
  const uint32_t crc = Crc32(0, wrong.data() + 54, end - 54);
  for (int i = 0; i < 4; ++i)
    wrong[50 + i] = static_cast<char>(crc >> 8 * i);
  Write(Work / "WRONG.DRS", wrong);
  // A SETUP.EXE with an empty slot for the seal, then sealed for the archive.
  WriteSetupExe(medium / "SETUP.EXE");
  const std::string slot = Read(medium / "SETUP.EXE") + std::string("Nuvik seal:\0", 12);
  Write(medium / "SETUP.EXE", slot + std::string(32, '\0'));
  Write(Work / "sealed" / "N_SETUP.DRS", whole);
  Sha256 hash;
  Sha256Start(&hash);
  Sha256Add(&hash, whole.data(), whole.size());
  unsigned char digest[Sha256Size];
  Sha256Finish(&hash, digest);
  Write(Work / "sealed" / "SETUP.EXE", slot + std::string(reinterpret_cast<char*>(digest), 32));
  Write(Work / "replaced" / "SETUP.EXE", Read(Work / "sealed" / "SETUP.EXE"));
  Write(Work / "replaced" / "N_SETUP.DRS", wrong);

  const std::string damaged =
      "entry 4 (README.TXT) is damaged (its bytes do not match the CRC-32 stored with it)";
  const struct {
    std::string Command;
    int Status;
    std::string Says;
  } cases[] = {
      {"verify " + Quote(archive), 0, "checksums: every entry carries the CRC-32 of its bytes"},
      {"verify --json " + Quote(archive), 0, "\"checksums\": true"},
      {"verify " + Quote(Work / "WRONG.DRS"), 1, damaged},
      {"unpack " + Quote(Work / "WRONG.DRS") + " " + Quote(Work / "u"), 1,
       "entry 4 (README.TXT): damaged, SETUP.EXE stops here with \"File error !!\": its bytes do "
       "not match the CRC-32 stored with it"},
      {"verify " + Quote(medium), 0, "seal: not sealed"},
      {"verify " + Quote(Work / "sealed"), 0, "seal: sealed, archive matches"},
      {"verify --json " + Quote(Work / "sealed"), 0, "\"seal\": \"sealed, archive matches\""},
      {"verify " + Quote(Work / "replaced"), 1, "seal: sealed, archive does not match"},
  };
  for (const auto& [command, status, says] : cases) {
    const Outcome outcome = RunDrs(command);
    EXPECT_EQ(outcome.Status, status) << command << "\n" << outcome.Output;
    EXPECT_NE(outcome.Output.find(says), std::string::npos) << command << "\n" << outcome.Output;
  }
  // unpack stopped at README.TXT, removed its partial file, and kept what came before.
  EXPECT_FALSE(fs::exists(Work / "u" / "README.TXT"));
  EXPECT_EQ(Read(Work / "u" / "N_SETUP.EXE"), Read(tree / "N_SETUP.EXE"));
}

// A usage error names what is wrong, then gives the command's usage line: two lines on
// standard error, exit 2, and nothing done.
TEST_F(DrsTest, UsageErrorsNameWhatIsWrong) {
  const std::string list = "usage: drs list [--codepage 1252|949] [--json] ARCHIVE\n";
  const std::string verify = "usage: drs verify [--codepage 1252|949] [-q] [--json] ARCHIVE\n";
  const std::string pack = "usage: drs pack -o ARCHIVE [--codepage 1252|949] [-q] DIR\n";
  const std::string unpack = "usage: drs unpack [--nt] [--codepage 1252|949] ARCHIVE DIR\n";
  const std::string media = "usage: drs media -o DIR [--iso FILE] [--floppy FILE] [--label NAME] "
                            "[--setup FILE] [--codepage 1252|949] [-q] [--no-autorun] "
                            "[--sign-pkcs12 FILE] [--sign-password-file FILE] [--timestamp URL] "
                            "PAYLOAD\n";
  const std::string tryUsage = "usage: drs try [--windows 95|98|nt4|10] [--codepage "
                               "1252|949|932|950] [--timeout S] [--screenshot FILE] [--watcher "
                               "FILE] [--keep] [--no-cache] [--all] MEDIUM\n";
  const std::string drs =
      "usage: drs list|verify|unpack|pack|media|try ... (drs --help tells more)\n";
  const struct {
    const char* Arguments;
    std::string Said;
  } rows[] = {
      {"", "drs: no command given\n" + drs},
      {"frobnicate", "drs: frobnicate is not a command\n" + drs},
      {"frobnicate --help", "drs: frobnicate is not a command\n" + drs},
      {"--version x", "drs: x is not a command\n" + drs},
      {"--bogus", "drs: unknown option --bogus\n" + drs},
      {"list", "drs list: ARCHIVE is required\n" + list},
      {"list a b", "drs list: unexpected operand b\n" + list},
      {"verify", "drs verify: ARCHIVE is required\n" + verify},
      {"unpack a", "drs unpack: DIR is required\n" + unpack},
      {"unpack --codepage a b", "drs unpack: --codepage is 1252 or 949, not a\n" + unpack},
      {"pack dir", "drs pack: -o ARCHIVE is required\n" + pack},
      {"pack -o", "drs pack: -o needs its ARCHIVE\n" + pack},
      {"pack -o a b c", "drs pack: unexpected operand c\n" + pack},
      {"pack -o a -o b dir", "drs pack: -o is given more than once\n" + pack},
      {"pack -o - dir",
       "drs pack: -o names a file; drs writes nothing to standard output\n" + pack},
      {"pack --codepage 437 -o a dir", "drs pack: --codepage is 1252 or 949, not 437\n" + pack},
      {"pack --codepage 1251 -o a dir", "drs pack: --codepage is 1252 or 949, not 1251\n" + pack},
      {"pack --codepage=1251 -o a dir", "drs pack: --codepage is 1252 or 949, not 1251\n" + pack},
      {"pack -x -o a dir", "drs pack: unknown option -x\n" + pack},
      {"pack --bogus -o a dir", "drs pack: unknown option --bogus\n" + pack},
      {"media", "drs media: -o DIR is required\n" + media},
      {"media dir", "drs media: -o DIR is required\n" + media},
      {"media -o m", "drs media: PAYLOAD is required\n" + media},
      {"media -o m --iso", "drs media: --iso needs its FILE\n" + media},
      {"media -o m --label NUVIK-2000 dir",
       "drs media: a --label is 1 to 11 letters, digits or _\n" + media},
      {"media -o m --sign-password-file p dir",
       "drs media: --sign-password-file requires --sign-pkcs12\n" + media},
      {"try --windows 2000 m", "drs try: --windows is 95, 98, nt4 or 10, not 2000\n" + tryUsage},
      {"try --codepage 437 m",
       "drs try: --codepage is 1252, 949, 932 or 950, not 437\n" + tryUsage},
      {"try --timeout 0 m",
       "drs try: --timeout is a number of seconds from 1 to 99999, not 0\n" + tryUsage},
      {"try --all --windows 95 m", "drs try: --windows excludes --all\n" + tryUsage},
  };
  for (const auto& row : rows) {
    const Outcome outcome = RunDrs(row.Arguments, " 2>&1 >/dev/null");
    EXPECT_EQ(outcome.Status, 2) << row.Arguments;
    EXPECT_EQ(outcome.Output, row.Said) << row.Arguments;
  }
  EXPECT_FALSE(fs::exists("-"));
  EXPECT_EQ(RunDrs("list " + Quote(Work / "none.drs")).Status, 1);
}

// Help is asked for, so it goes to standard output with exit 0, and the manual page is
// made from it: every command and option must be in it.
TEST_F(DrsTest, HelpAndVersionOnStandardOutput) {
  const Outcome help = RunDrs("--help", " 2>/dev/null");
  EXPECT_EQ(help.Status, 0);
  for (const char* text :
       {"Usage: drs list [--codepage 1252|949] [--json] ARCHIVE\n", "  or:  drs media -o DIR",
        "--floppy FILE", "--setup FILE", "Exit status:"})
    EXPECT_NE(help.Output.find(text), std::string::npos) << text << "\n" << help.Output;
  const Outcome media = RunDrs("media -o x --help", " 2>/dev/null");
  EXPECT_EQ(media.Status, 0);
  EXPECT_EQ(RunDrs("media -h", " 2>/dev/null").Output, media.Output);
  EXPECT_EQ(media.Output.rfind("Usage: drs media -o DIR", 0), 0u) << media.Output;
  EXPECT_NE(media.Output.find("--iso FILE"), std::string::npos) << media.Output;
  EXPECT_EQ(media.Output.find("-o ARCHIVE"), std::string::npos) << media.Output;
  const Outcome version = RunDrs("--version", " 2>/dev/null");
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Output, "drs (Nuvik setup tools) " NUVIK_VERSION "\n");
}

// Wine is recommended, not required: without it, drs try says how to install it.
TEST_F(DrsTest, TryWithoutWineSaysHowToInstallIt) {
  const Outcome outcome =
      RunShell("PATH=" + Quote(Work) + " " + std::string(DRS_PROGRAM) + " try " + Quote(Work));
  EXPECT_EQ(outcome.Status, 1) << outcome.Output;
  EXPECT_NE(outcome.Output.find("apt install wine wine32:i386"), std::string::npos)
      << outcome.Output;
}

// The medium, and its images read back by tools from Debian: the CD image by isoinfo
// (names, Joliet, label) and xorriso (the bytes), the floppy image by mtools.
TEST_F(DrsTest, MediaImagesHoldTheMediumByteForByte) {
  const fs::path tree = MakeTree("payload");
  WriteSetupExe(Work / "SETUP.EXE");
  const fs::path medium = Work / "medium";
  // Made, then rebuilt in place with images: they hold the medium's three files, never
  // what was kept aside while it was rebuilt.
  const Outcome first = RunDrs("media -o " + Quote(medium) + " --setup " +
                                   Quote(Work / "SETUP.EXE") + " " + Quote(tree),
                               " 2>/dev/null | tail -n 3");
  EXPECT_EQ(first.Output, "wrote " + (medium / "N_SETUP.DRS").string() + " (" +
                              std::to_string(fs::file_size(medium / "N_SETUP.DRS")) +
                              " bytes)\nwrote " + (medium / "SETUP.EXE").string() +
                              " (184 bytes)\nwrote " + (medium / "AUTORUN.INF").string() +
                              " (60 bytes)\n");
  const Outcome made = RunDrs("media -q -o " + Quote(medium) + " --iso " + Quote(Work / "cd.iso") +
                              " --floppy " + Quote(Work / "fd.img") + " --label Nuvik_2000" +
                              " --setup " + Quote(Work / "SETUP.EXE") + " " + Quote(tree));
  ASSERT_EQ(made.Status, 0) << made.Output;
  EXPECT_EQ(made.Output, "");
  ASSERT_EQ(RunDrs("pack -o " + Quote(Work / "PACKED.DRS") + " " + Quote(tree)).Status, 0);
  EXPECT_EQ(Read(medium / "N_SETUP.DRS"), Read(Work / "PACKED.DRS"));
  EXPECT_EQ(Read(medium / "SETUP.EXE"), Read(Work / "SETUP.EXE"));
  EXPECT_EQ(Read(medium / "AUTORUN.INF"),
            "[autorun]\r\nopen=SETUP.EXE\r\nicon=SETUP.EXE,0\r\nlabel=NUVIK_2000\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(medium), fs::directory_iterator()), 3);

  const Outcome names = RunShell("isoinfo -f -i " + Quote(Work / "cd.iso"));
  EXPECT_EQ(names.Output, "/AUTORUN.INF;1\n/N_SETUP.DRS;1\n/SETUP.EXE;1\n");
  const Outcome iso = RunDrs("list " + Quote(Work / "cd.iso"));
  EXPECT_EQ(iso.Status, 1);
  EXPECT_NE(iso.Output.find("cd.iso: not an N_SETUP.DRS archive ("), std::string::npos)
      << iso.Output;
  const Outcome volume = RunShell("isoinfo -d -i " + Quote(Work / "cd.iso"));
  EXPECT_NE(volume.Output.find("Volume id: NUVIK_2000\n"), std::string::npos) << volume.Output;
  EXPECT_NE(volume.Output.find("Joliet"), std::string::npos) << volume.Output;
  const Outcome extracted = RunShell("xorriso -osirrox on -indev " + Quote(Work / "cd.iso") +
                                     " -extract / " + Quote(Work / "cd"));
  ASSERT_EQ(extracted.Status, 0) << extracted.Output;

  fs::create_directories(Work / "fd");
  const Outcome copied =
      RunShell("mcopy -i " + Quote(Work / "fd.img") +
               " ::/N_SETUP.DRS ::/SETUP.EXE ::/AUTORUN.INF " + Quote(Work / "fd"));
  ASSERT_EQ(copied.Status, 0) << copied.Output;
  const std::string floppy = RunShell("mdir -b -i " + Quote(Work / "fd.img") + " ::/").Output;
  EXPECT_EQ(floppy, "::/N_SETUP.DRS\n::/SETUP.EXE\n::/AUTORUN.INF\n");
  EXPECT_NE(RunShell("mdir -i " + Quote(Work / "fd.img") + " ::/").Output.find("is NUVIK_2000"),
            std::string::npos);
  for (const char* name : {"N_SETUP.DRS", "SETUP.EXE", "AUTORUN.INF"}) {
    EXPECT_EQ(Read(Work / "cd" / name), Read(medium / name)) << name;
    EXPECT_EQ(Read(Work / "fd" / name), Read(medium / name)) << name;
  }

  // Made again: --no-autorun takes drs's own AUTORUN.INF away; the user's own stays.
  const std::string again =
      "media -q -o " + Quote(medium) + " --setup " + Quote(Work / "SETUP.EXE") + " ";
  ASSERT_EQ(RunDrs(again + "--no-autorun " + Quote(tree)).Status, 0);
  EXPECT_FALSE(fs::exists(medium / "AUTORUN.INF"));
  Write(medium / "autorun.inf", "[autorun]\r\nopen=MINE.EXE\r\n");
  ASSERT_EQ(RunDrs(again + Quote(tree)).Status, 0);
  EXPECT_EQ(Read(medium / "autorun.inf"), "[autorun]\r\nopen=MINE.EXE\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(medium), fs::directory_iterator()), 3);
}

// A refused medium leaves the disk as it was: no medium folder, no image, and a medium
// that was already there untouched.
TEST_F(DrsTest, RefusedMediaLeaveNothingBehind) {
  WriteSetupExe(Work / "SETUP.EXE");
  const fs::path kept = Work / "kept";
  Write(kept / "N_SETUP.DRS", "the previous archive");
  auto refused = [&](const fs::path& tree, const fs::path& medium, const std::string& options,
                     const std::string& why) {
    SCOPED_TRACE(why);
    const Outcome outcome =
        RunDrs("media -q -o " + Quote(medium) + " --iso " + Quote(Work / "cd.iso") + " --floppy " +
               Quote(Work / "fd.img") + " " + options + " " + Quote(tree));
    EXPECT_EQ(outcome.Status, 1) << outcome.Output;
    EXPECT_NE(outcome.Output.find(why), std::string::npos) << outcome.Output;
    EXPECT_FALSE(fs::exists(Work / "cd.iso"));
    EXPECT_FALSE(fs::exists(Work / "fd.img"));
    EXPECT_EQ(fs::exists(medium), medium == kept);
    if (medium == kept) {
      EXPECT_EQ(Read(kept / "N_SETUP.DRS"), "the previous archive");
      EXPECT_EQ(std::distance(fs::directory_iterator(kept), fs::directory_iterator()), 1);
    }
  };
  const std::string setup = "--setup " + Quote(Work / "SETUP.EXE");

  const fs::path linked = MakeTree("linked");
  fs::create_symlink("README.TXT", linked / "LINK.TXT");
  refused(linked, Work / "medium", setup, "symbolic link");
  refused(linked, kept, setup, "symbolic link");

  const fs::path big = MakeTree("big");
  std::string random;
  uint32_t state = 1;
  for (int i = 0; i < 1500000; ++i)
    random.push_back(static_cast<char>((state = state * 1103515245 + 12345) >> 24));
  Write(big / "BIG.DAT", random);
  refused(big, Work / "medium", setup, "does not fit on a 1.44 MB floppy");
  refused(big, kept, setup, "does not fit on a 1.44 MB floppy");

  // A payload SETUP.EXE would unpack but could not start.
  const fs::path headless = MakeTree("headless");
  fs::remove(headless / "N_SETUP.EXE");
  refused(headless, Work / "medium", setup, "there is no N_SETUP.EXE");
  refused(headless, kept, setup, "there is no N_SETUP.EXE");

  // A certificate that cannot sign, told why.
  const fs::path key = Work / "key";
  fs::create_directories(key);
  ASSERT_EQ(RunShell("cd " + Quote(key) +
                     " && openssl req -x509 -newkey rsa:2048 -nodes -days 9 -subj /CN=T "
                     "-keyout k.pem -out c.pem && openssl pkcs12 -export -inkey k.pem -in c.pem "
                     "-passout pass:right -out signer.p12")
                .Status,
            0);
  Write(key / "wrong", "wrong\n");
  const std::string signing = setup + " --sign-pkcs12 " + Quote(key / "signer.p12");
  refused(MakeTree("signed"), Work / "medium",
          signing + " --sign-password-file " + Quote(key / "wrong"), "wrong password");
  refused(MakeTree("signed"), kept, signing + " --sign-password-file " + Quote(key / "wrong"),
          "wrong password");
  refused(MakeTree("signed"), kept,
          setup + " --sign-pkcs12 " + Quote(key / "c.pem") + " --sign-password-file " +
              Quote(key / "wrong"),
          "not a PKCS#12 certificate file");

  // This build's drs is not installed: no SETUP.EXE beside it or in ../share.
  refused(MakeTree("plain"), Work / "medium", "", "no SETUP.EXE installed with drs");

  // Found wrong before anything is packed.
  const fs::path plain = Work / "plain";
  refused(plain, Work / "medium", "--setup /etc/passwd",
          "/etc/passwd: not a SETUP.EXE for a medium: it is no Windows program");
  refused(plain, plain / "medium", setup,
          "the medium would lie inside the payload " + plain.string() + " and be packed");
  const Outcome file =
      RunDrs("media -o " + Quote(Work / "SETUP.EXE") + " " + setup + " " + Quote(plain));
  EXPECT_EQ(file.Status, 1);
  EXPECT_NE(file.Output.find("SETUP.EXE: is a file; -o names the medium's folder"),
            std::string::npos)
      << file.Output;
  EXPECT_FALSE(fs::exists(plain / "medium"));
}

// Stopped by SIGTERM while it packs, drs pack removes its temporary file and the folder
// it made for the archive; drs media puts back the medium it was rebuilding. Stopped while
// a tool runs (here one that only waits), drs media removes the folder holding the
// signing password and drs try its run folder.
TEST_F(DrsTest, InterruptedRunsLeaveNothingBehind) {
  const fs::path tree = MakeTree("tree");
  fs::resize_file(tree / "N_SETUP.EXE", uintmax_t{1} << 30); // sparse, slow enough to stop
  WriteSetupExe(Work / "SETUP.EXE");
  Write(Work / "kept" / "N_SETUP.DRS", "the previous archive");
  const fs::path temp = Work / "tmp", tools = Work / "bin";
  fs::create_directories(temp);
  // Each tool would write into the temporary directory late, unless it is ended with drs.
  for (const char* tool : {"openssl", "wine", "wineboot"}) {
    Write(tools / tool, "#!/bin/sh\n[ \"$1\" = --version ] && echo wine-0 && exit\nsleep 2\n"
                        "echo late >\"$TMPDIR/late\"\n");
    fs::permissions(tools / tool, fs::perms::owner_all);
  }
  Write(tools / "wineserver", "#!/bin/sh\n");
  fs::permissions(tools / "wineserver", fs::perms::owner_all);
  const fs::path cache = Work / "cache";
  const std::string slowTools = "env -u DISPLAY TMPDIR=" + Quote(temp) +
                                " XDG_CACHE_HOME=" + Quote(cache) + " PATH=" + Quote(tools) +
                                ":$PATH DRS_SIGN_PASSWORD=x ";
  const struct {
    std::string Command;
    std::string Temporary; // for the shell
  } runs[] = {
      {"pack -o " + Quote(Work / "new" / "N_SETUP.DRS") + " " + Quote(tree),
       Quote(Work / "new" / "N_SETUP.DRS.drs-tmp")},
      {"media -o " + Quote(Work / "kept") + " --setup " + Quote(Work / "SETUP.EXE") + " " +
           Quote(tree),
       Quote(Work / "kept" / "N_SETUP.DRS.drs-tmp1")},
      {"media -o " + Quote(Work / "signed") + " --setup " + Quote(Work / "SETUP.EXE") +
           " --sign-pkcs12 " + Quote(Work / "SETUP.EXE") + " " + Quote(tree),
       Quote(temp) + "/drs-sign-*"},
      {"try --watcher " + Quote(Work / "SETUP.EXE") + " " + Quote(Work / "cd" / "SETUP.EXE"),
       Quote(temp) + "/drs-try-*"},
      // Stopped while the first try prepares the Wine prefix it keeps.
      {"try --watcher " + Quote(Work / "SETUP.EXE") + " " + Quote(Work / "cd" / "SETUP.EXE"),
       Quote(cache) + "/nuvik-setup/*.new-*"},
  };
  WriteSetupExe(Work / "cd" / "SETUP.EXE");
  for (const auto& run : runs) {
    const Outcome stopped =
        RunShell(slowTools + DRS_PROGRAM + " " + run.Command + " & for i in $(seq 3000); do [ -e " +
                 run.Temporary + " ] && break; sleep 0.01; done; kill -TERM $!; wait $!; echo $?");
    EXPECT_EQ(stopped.Output, "143\n") << run.Command;
  }
  // A medium loose in a folder that holds the temporary folder cannot be copied for a run.
  const Outcome around = RunShell(slowTools + DRS_PROGRAM + " try --watcher " +
                                  Quote(Work / "SETUP.EXE") + " " + Quote(Work / "SETUP.EXE"));
  EXPECT_EQ(around.Status, 1);
  EXPECT_NE(around.Output.find("holds drs try's own run folder"), std::string::npos)
      << around.Output;
  RunShell("sleep 3");
  EXPECT_FALSE(fs::exists(Work / "new"));
  EXPECT_EQ(Read(Work / "kept" / "N_SETUP.DRS"), "the previous archive");
  EXPECT_EQ(std::distance(fs::directory_iterator(Work / "kept"), fs::directory_iterator()), 1);
  EXPECT_TRUE(fs::is_empty(temp));
  for (const fs::directory_entry& item : fs::directory_iterator(cache / "nuvik-setup"))
    EXPECT_EQ(item.path().extension(), ".lock") << item.path(); // no half-made prefix

  // Stopped at any moment, drs media leaves the whole medium it had or the whole new one.
  const fs::path payload = MakeTree("moment"), medium = Work / "moment-medium";
  const std::string media = std::string(DRS_PROGRAM) + " media -q -o " + Quote(medium) + " --iso " +
                            Quote(Work / "moment.iso") + " --setup " + Quote(Work / "SETUP.EXE") +
                            " " + Quote(payload);
  ASSERT_EQ(RunShell(media).Status, 0);
  const std::string oldArchive = Read(medium / "N_SETUP.DRS");
  Write(payload / "NEW.TXT", "a file more");
  for (int delay = 0; delay < 150; delay += 15) {
    SCOPED_TRACE(delay);
    RunShell(media + " & sleep " + std::to_string(delay / 1000.0) + "; kill -TERM $!; wait");
    const std::string archive = Read(medium / "N_SETUP.DRS"), image = Read(Work / "moment.iso");
    EXPECT_TRUE(archive == oldArchive || archive.find("NEW.TXT") != std::string::npos);
    EXPECT_NE(image.find(archive), std::string::npos); // the image holds that archive
  }
}

} // namespace
