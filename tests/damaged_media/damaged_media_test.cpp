// Damaged media end to end: the real SETUP.EXE on archives spoiled in every region,
// made here from one sound archive. Whatever the damage, the bootstrap must end by
// itself with exit code 0, show exactly the boxes of its failure path (never a crash),
// keep the work directory after a failure for a look at it, and never give a file
// more bytes than its entry claims.
//   damaged_media_test SETUP.EXE WORK_DIR [CASE...]
#include "check.h"
#include "expected_texts.h"
#include "format/archive_writer.h"
#include "setup_run.h"
#include "test_files.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::string SetupPath, WorkRoot;

std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// No N_SETUP.EXE among them: an extraction that gets through ends in a failed
// hand-off, the one outcome that cleans the work directory, so it shows plainly.
std::vector<WriterEntry> PayloadEntries() {
  std::vector<WriterEntry> entries(4);
  entries[0].Name = "README.TXT";
  for (int line = 0; line < 60; ++line)
    entries[0].Data += "Line " + std::to_string(line) + ": Nuvik 2000 installs from here.\r\n";
  entries[1].Name = "NUVIK.INI";
  entries[1].Data = "[Nuvik]\r\nPort=COM2\r\nSpeed=9600\r\n";
  // Long enough that a cut or a flipped bit can land well inside its stream.
  entries[2].Name = "NUVIK.HLP";
  uint32_t state = 12345;
  for (int i = 0; i < 40000; ++i) {
    state = state * 1103515245u + 12345u;
    entries[2].Data.push_back(static_cast<char>('A' + (state >> 16) % 8));
  }
  entries[3].Name = "LICENSE.TXT";
  entries[3].Data = std::string(5000, 'L') + "end\r\n";
  for (WriterEntry& entry : entries) {
    entry.DosDate = 0x2B21;
    entry.DosTime = 0x7A4F;
  }
  return entries;
}

uint32_t Get32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void Put16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
  Put16(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
  Put16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

constexpr size_t CountAt = 56;
constexpr size_t DirectoryAt = 58;

// Where the regions of a sound archive lie.
struct Layout {
  std::vector<size_t> EntryAt; // each entry's fixed part
  size_t DataBaseAt = 0;
  std::vector<size_t> DataAt; // each entry's UnpackedSize field
};

Layout LayoutOf(const std::string& archive) {
  Layout layout;
  const int count = static_cast<unsigned char>(archive[CountAt]);
  size_t at = DirectoryAt;
  for (int i = 0; i < count; ++i) {
    layout.EntryAt.push_back(at);
    at += 14 + static_cast<unsigned char>(archive[at + 12]) +
          static_cast<unsigned char>(archive[at + 13]);
  }
  layout.DataBaseAt = at;
  const uint32_t dataBase = Get32(archive, at);
  for (size_t entryAt : layout.EntryAt)
    layout.DataAt.push_back(dataBase + Get32(archive, entryAt));
  return layout;
}

// The most bytes each file may receive: the UnpackedSize that the given, possibly
// damaged, archive holds for it; 0 when the directory or the field is out of reach.
std::map<std::string, uint32_t> SizeLimits(const std::string& archive) {
  std::map<std::string, uint32_t> limits;
  if (archive.size() < DirectoryAt + 4) return limits;
  const auto count = static_cast<int16_t>(static_cast<unsigned char>(archive[CountAt]) |
                                          static_cast<unsigned char>(archive[CountAt + 1]) << 8);
  std::vector<std::pair<std::string, uint32_t>> named;
  size_t at = DirectoryAt;
  for (int i = 0; i < count && i < 3000; ++i) {
    if (at + 14 > archive.size()) return limits;
    const size_t dirLength = static_cast<unsigned char>(archive[at + 12]);
    const size_t nameLength = static_cast<unsigned char>(archive[at + 13]);
    if (at + 14 + dirLength + nameLength > archive.size()) return limits;
    std::string path = archive.substr(at + 14, dirLength);
    if (!path.empty()) path += "\\";
    path += archive.substr(at + 14 + dirLength, nameLength);
    named.emplace_back(UpperCased(path), Get32(archive, at));
    at += 14 + dirLength + nameLength;
  }
  if (at + 4 > archive.size()) return limits;
  const uint32_t dataBase = Get32(archive, at);
  for (const auto& [path, offset] : named) {
    const uint64_t dataAt = uint64_t{dataBase} + offset;
    const uint32_t size = dataAt + 4 <= archive.size() ? Get32(archive, dataAt) : 0;
    limits[path] = std::max(limits[path], size);
  }
  return limits;
}

enum class Outcome {
  FileError,    // "File error !!" from the unpacking, then the failure box
  CopyError,    // the archive cannot be copied: its name under "Copy error", then the failure box
  NothingToRun, // unpacked without complaint; N_SETUP.EXE is missing, so the failure box
  FileErrorOrNothingToRun, // a flipped bit may decode to wrong bytes of the right size
};

struct Row {
  const char* Name;
  std::string Archive;
  bool Missing = false;
  Outcome Expected = Outcome::FileError;
  bool FilesArePrefixes = true; // damage that cannot reach the bytes of any file written
};

const BoxText FileErrorBox = {"File error !!", "Fatal Error"};
const BoxText CopyErrorBox = {"N_SETUP.DRS", "Copy error"};

bool BoxIs(const SeenBox& box, const BoxText& expected, bool ownedByMainWindow) {
  return box.Caption == expected.Caption && box.Text == expected.Text &&
         box.OwnedByMainWindow == ownedByMainWindow && (ownedByMainWindow || !box.Owned);
}

// The unpacking's own box, unowned, then the failure box owned by the main window.
bool BoxesAre(const std::vector<SeenBox>& boxes, const BoxText* unpackingBox) {
  const size_t expected = unpackingBox ? 2 : 1;
  if (boxes.size() != expected) return false;
  if (unpackingBox && !BoxIs(boxes[0], *unpackingBox, false)) return false;
  return BoxIs(boxes.back(), CannotContinue[0], true);
}

void RunRow(const Row& row, const std::vector<WriterEntry>& payload) {
  static int serial = 0;
  const std::string root = WorkRoot + "\\" + std::to_string(++serial);
  // Made afresh, so that nothing an earlier run left there is taken for this run's.
  RemoveTree(root);
  const std::string media = root + "\\MEDIA", temp = root + "\\TEMP";
  CreateDirectoryA(root.c_str(), nullptr);
  CreateDirectoryA(media.c_str(), nullptr);
  CreateDirectoryA(temp.c_str(), nullptr);
  CHECK(CopyFileA(SetupPath.c_str(), (media + "\\SETUP.EXE").c_str(), FALSE));
  if (!row.Missing) CHECK(WriteWholeFile(media + "\\N_SETUP.DRS", row.Archive));
  const std::string workDir = UpperCased(temp) + "\\N80_INST";

  SetupRunOptions options;
  options.SetupPath = media + "\\SETUP.EXE";
  options.TempPath = temp + "\\";
  options.ReportPath = root + "\\report.txt";
  options.TimeoutMs = 90000;
  const SetupRunRecord run = RunSetup(options);

  std::printf("%-44s exit %lu%s,", row.Name, run.ExitCode, run.TimedOut ? " (timed out)" : "");
  for (const SeenBox& box : run.Boxes)
    std::printf(" [%s: %s]", box.Caption.c_str(), box.Text.c_str());
  std::printf(", work directory %s\n", PathExists(workDir) ? "kept" : "removed");
  std::fflush(stdout);

  CHECK(run.Started);
  CHECK(!run.TimedOut);
  CHECK_EQ(0, run.ExitCode);
  const bool fileError = BoxesAre(run.Boxes, &FileErrorBox);
  const bool nothingToRun = BoxesAre(run.Boxes, nullptr);
  switch (row.Expected) {
  case Outcome::FileError:
    CHECK(fileError);
    break;
  case Outcome::CopyError:
    CHECK(BoxesAre(run.Boxes, &CopyErrorBox));
    break;
  case Outcome::NothingToRun:
    CHECK(nothingToRun);
    break;
  case Outcome::FileErrorOrNothingToRun:
    CHECK(fileError || nothingToRun);
    break;
  }
  // A failed hand-off had a whole extraction behind it and cleans up; every other
  // failure leaves the work directory as it was.
  if (nothingToRun) {
    CHECK(!PathExists(workDir));
  } else {
    CHECK(PathExists(workDir));
    if (!row.Missing) CHECK(PathExists(workDir + "\\N_SETUP.DRS"));
  }

  // Every file the run left, by its upper-cased path relative to the work directory.
  std::map<std::string, std::string> files;
  for (const std::string& file : FilesUnder(workDir))
    files[UpperCased(file)] = ReadWholeFile(workDir + "\\" + file);
  const std::map<std::string, uint32_t> limits = SizeLimits(row.Archive);
  std::map<std::string, std::string> contents;
  for (const WriterEntry& entry : payload)
    contents[UpperCased(entry.Dir.empty() ? entry.Name : entry.Dir + "\\" + entry.Name)] =
        entry.Data;
  for (const auto& [path, bytes] : files) {
    if (path == "N_SETUP.DRS") {
      CHECK(bytes == row.Archive);
      continue;
    }
    const auto limit = limits.find(path);
    CHECK(limit != limits.end());
    if (limit != limits.end()) CHECK(bytes.size() <= limit->second);
    // What an intact stream gave up to the damage is the start of the entry's bytes.
    const auto content = contents.find(path);
    if (row.FilesArePrefixes && content != contents.end())
      CHECK(content->second.compare(0, bytes.size(), bytes) == 0);
  }
}

void RunRows(const std::vector<Row>& rows) {
  const std::vector<WriterEntry> payload = PayloadEntries();
  for (const Row& row : rows)
    RunRow(row, payload);
}

std::string Sound() {
  return BuildArchive(PayloadEntries());
}

std::string Cut(std::string archive, size_t length) {
  archive.resize(length);
  return archive;
}

std::string WithCount(std::string archive, uint16_t count) {
  Put16(archive, CountAt, count);
  return archive;
}

std::string Flipped(std::string archive, size_t at, int bit) {
  archive[at] = static_cast<char>(archive[at] ^ (1 << bit));
  return archive;
}

std::string WithOffset(std::string archive, int entry, uint32_t offset) {
  Put32(archive, LayoutOf(archive).EntryAt[entry], offset);
  return archive;
}

std::string WithLongPath(size_t dirLength, size_t nameLength) {
  std::vector<WriterEntry> entries = PayloadEntries();
  entries[1].Dir = std::string(dirLength, 'D');
  entries[1].Name = std::string(nameLength - 4, 'N') + ".INI";
  return BuildArchive(entries, ArchiveLimits::FormatOnly);
}

} // namespace

TEST_CASE(MissingOrEmptyArchive) {
  RunRows({
      {"missing archive", "", true, Outcome::CopyError},
      {"empty archive file", ""},
  });
}

TEST_CASE(CutInEveryRegion) {
  const std::string sound = Sound();
  const Layout layout = LayoutOf(sound);
  RunRows({
      {"cut inside the signature", Cut(sound, 20)},
      {"cut inside an entry's fixed part", Cut(sound, layout.EntryAt[1] + 6)},
      {"cut inside DataBase", Cut(sound, layout.DataBaseAt + 2)},
      {"cut inside an entry's size field", Cut(sound, layout.DataAt[1] + 2)},
      {"cut inside a bit stream", Cut(sound, (layout.DataAt[2] + layout.DataAt[3]) / 2)},
      {"last byte missing", Cut(sound, sound.size() - 1)},
  });
}

TEST_CASE(DirectoryFieldsOutOfRange) {
  const std::string sound = Sound();
  const uint32_t pastTheEnd = static_cast<uint32_t>(sound.size());
  RunRows({
      {"EntryCount 0", BuildArchive({}), false, Outcome::NothingToRun},
      {"EntryCount 0x8000", WithCount(sound, 0x8000), false, Outcome::NothingToRun},
      {"EntryCount 3001", WithCount(sound, 3001)},
      {"offset past the end", WithOffset(sound, 2, pastTheEnd)},
      {"offset past 2 GiB", WithOffset(sound, 2, 0x80000000u)},
      {"joined Dir\\Name of 256 bytes", WithLongPath(200, 55)},
      {"Dir and Name of 255 bytes each", WithLongPath(255, 255)},
  });
}

TEST_CASE(FlippedBits) {
  const std::string sound = Sound();
  const Layout layout = LayoutOf(sound);
  constexpr auto either = Outcome::FileErrorOrNothingToRun;
  const size_t insideStream = (layout.DataAt[2] + layout.DataAt[3]) / 2;
  RunRows({
      {"bit flipped at a stream's start", Flipped(sound, layout.DataAt[0] + 4, 7), false, either,
       false},
      {"bit flipped inside a stream", Flipped(sound, insideStream, 3), false, either, false},
      {"bit flipped in the last byte", Flipped(sound, sound.size() - 1, 0), false, either, false},
      {"size field raised by 2^30", Flipped(sound, layout.DataAt[0] + 3, 6), false, either, false},
  });
}

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: damaged_media_test SETUP.EXE WORK_DIR [CASE...]\n");
    return 2;
  }
  SetupPath = WindowsPath(argv[1]);
  WorkRoot = WindowsPath(argv[2]);
  CreateDirectoryA(WorkRoot.c_str(), nullptr);
  // Sound ports, so that no run stops at the restart question.
  WriteProfileStringA("ports", "COM1:", "9600,n,8,1");
  WriteProfileStringA("ports", "COM2:", "9600,n,8,1");
  WriteProfileStringA("ports", "COM3:", "9600,n,8,1");
  WriteProfileStringA("ports", "COM4:", "9600,n,8,1");
  return RunAllTests(argc - 2, argv + 2);
}
