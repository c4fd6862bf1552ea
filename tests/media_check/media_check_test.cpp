// The media check, end to end: the same archives (damaged in every region, odd in where
// their entries land, and sound) through the real SETUP.EXE under Wine, on the Windows
// 95 family and on the NT family, and through drs: its plan of that run (what `drs
// verify` prints), `drs verify`'s verdict and `drs unpack`. Any disagreement fails: the
// box SETUP.EXE stops with, whether it starts the setup program, and every file written,
// byte for byte, wherever it landed. Whatever the archive, SETUP.EXE must also end by
// itself with exit code 0, keep the work directory after a failure for a look at it,
// and never give a file more bytes than its entry claims.
// Archives carry checksums unless a row says otherwise; a row may run a SETUP.EXE sealed
// for an archive, or the SETUP.EXE built before checksums and seals.
//   media_check_test SETUP.EXE N_SETUP.EXE SETUP_BEFORE_CHECKSUMS.EXE [CASE...]
// The runner maps SCRATCH_DRIVE. With DOUBLE_BYTE_TEMP set, the temporary directory's
// name holds a double-byte character whose second byte is a backslash in the system's
// code page (932: 表, 950: 許), and nothing may appear beside it.
#include "archive_view.h"
#include "check.h"
#include "commands.h"
#include "entry_path.h"
#include "expected_texts.h"
#include "lzhuf/little_endian.h"
#include "setup_plan.h"
#include "setup_run.h"
#include "setup_seal.h"
#include "test_archives.h"
#include "test_files.h"
#include "windows_files.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string SetupPath, DemoPath, SetupBeforePath, WorkRoot;

// Each family's SETUP.EXE is a copy under a name that the prefix's registry ties to a
// version of Windows.
struct Family {
  const char* Program;
  const char* Version;
  bool Nt;
};
const Family Families[] = {{"SETUP95.EXE", "win95", false}, {"SETUPNT.EXE", "nt40", true}};

// Where entries from the root of a drive land besides the work directory.
std::vector<std::string> ElsewhereRoots() {
  const char* drive = std::getenv("SCRATCH_DRIVE");
  return {std::string(1, drive ? drive[0] : '?') + ":\\NUVIK", "C:\\NUVIK"};
}
// The file an entry of the bare drive "C:" puts at that drive's root.
const char RootFileName[] = "NUVIKC.TXT";
const std::string RootFile = std::string("C:\\") + RootFileName;

WriterEntry Entry(const std::string& dir, const std::string& name, const std::string& data) {
  WriterEntry entry;
  entry.Dir = dir;
  entry.Name = name;
  entry.Data = data;
  entry.DosDate = 0x2B21;
  entry.DosTime = 0x7A4F;
  return entry;
}

// No N_SETUP.EXE among them: an extraction that gets through ends in a failed
// hand-off, the one outcome that cleans the work directory, so it shows plainly.
std::vector<WriterEntry> PayloadEntries() {
  std::string readme;
  for (int line = 0; line < 60; ++line)
    readme += "Line " + std::to_string(line) + ": Nuvik 2000 installs from here.\r\n";
  // Long enough that a cut or a flipped bit can land well inside its stream.
  std::string help;
  uint32_t state = 12345;
  for (int i = 0; i < 40000; ++i) {
    state = state * 1103515245u + 12345u;
    help.push_back(static_cast<char>('A' + (state >> 16) % 8));
  }
  return {Entry("", "README.TXT", readme),
          Entry("", "NUVIK.INI", "[Nuvik]\r\nPort=COM2\r\nSpeed=9600\r\n"),
          Entry("", "NUVIK.HLP", help),
          Entry("", "LICENSE.TXT", std::string(5000, 'L') + "end\r\n")};
}

// The demo setup program first, so that every run that gets through hands off.
std::vector<WriterEntry> WithSetupProgram(std::vector<WriterEntry> entries) {
  entries.insert(entries.begin(), Entry("", "N_SETUP.EXE", ReadWholeFile(DemoPath)));
  return entries;
}

std::string ArchiveOf(const std::vector<WriterEntry>& entries,
                      EntryChecksums checksums = EntryChecksums::Carried) {
  return BuildArchive(entries, ArchiveLimits::FormatOnly, checksums);
}

enum class Outcome {
  FileError,    // "File error !!" from the unpacking, then the failure box
  CopyError,    // the archive cannot be copied: its name under "Copy error", then the failure box
  NothingToRun, // unpacked without complaint; N_SETUP.EXE is missing, so the failure box
  FileErrorOrNothingToRun, // a flipped bit may decode to wrong bytes of the right size
  HandOff,                 // unpacked, and the setup program started
};

struct Row {
  const char* Name;
  std::string Archive;
  bool Missing = false;
  Outcome Expected = Outcome::FileError; // on the Windows 95 family
  bool FilesArePrefixes = true;          // damage that cannot reach the bytes of any file written
  Outcome ExpectedOnNt = Expected;
  bool InstallsWhole = false; // every entry in place on both families: drs verify exits 0
  std::string SealedFor{};    // SETUP.EXE sealed for this archive
  bool SetupBefore = false;   // the SETUP.EXE built before checksums and seals
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

// A file's place as both sides name it: upper-cased, relative to the work directory
// (or to DIR for drs unpack), and for a Dir from a drive's root, from that root.
using Files = std::map<std::string, std::string>;

void AddFiles(Files& files, const std::string& directory, const std::string& prefix) {
  for (const std::string& file : FilesUnder(directory))
    files[UpperCased(prefix + file)] = ReadWholeFile(directory + "\\" + file);
}

std::string PlaceOfEntry(const ArchiveEntry& entry) {
  std::string path = UpperCased(LandingPath(entry));
  if (path.size() > 1 && path[1] == ':') path.erase(0, 2);
  return path.erase(0, path.find_first_not_of('\\'));
}

// The most bytes each file may receive: the UnpackedSize that the given, possibly
// damaged, archive holds for it; 0 when the directory or the field is out of reach.
std::map<std::string, uint32_t> SizeLimits(const std::string& archive) {
  std::map<std::string, uint32_t> limits;
  if (archive.size() < 62) return limits;
  const auto* bytes = reinterpret_cast<const unsigned char*>(archive.data());
  const auto count = static_cast<int16_t>(LittleEndian16(bytes + 56));
  std::vector<std::pair<std::string, uint32_t>> named;
  size_t at = 58;
  for (int i = 0; i < count && i < 3000; ++i) {
    if (at + 14 > archive.size()) return limits;
    const size_t dirLength = bytes[at + 12], nameLength = bytes[at + 13];
    if (at + 14 + dirLength + nameLength > archive.size()) return limits;
    std::string path = archive.substr(at + 14, dirLength);
    if (!path.empty()) path += "\\";
    path += archive.substr(at + 14 + dirLength, nameLength);
    named.emplace_back(UpperCased(path), LittleEndian32(bytes + at));
    at += 14 + dirLength + nameLength;
  }
  if (at + 4 > archive.size()) return limits;
  const uint32_t dataBase = LittleEndian32(bytes + at);
  for (const auto& [path, offset] : named) {
    const uint64_t dataAt = uint64_t{dataBase} + offset;
    const uint32_t size = dataAt + 4 <= archive.size() ? LittleEndian32(bytes + dataAt) : 0;
    limits[path] = std::max(limits[path], size);
  }
  return limits;
}

// The temporary directory's name: with a double-byte character ending in 0x5C in the
// code pages that have one.
std::string TempName() {
  if (!std::getenv("DOUBLE_BYTE_TEMP")) return "TEMP";
  switch (GetACP()) {
  case 932:
    return "\x95\x5C"
           "TEMP"; // 表
  case 950:
    return "\xB3\x5C"
           "TEMP"; // 許
  }
  ReportFailure(__FILE__, __LINE__, "DOUBLE_BYTE_TEMP needs code page 932 or 950");
  return "TEMP";
}

std::vector<std::string> NamesIn(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
      names.push_back(UpperCased(found.cFileName));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// Looks at what SETUP.EXE wrote while it waits on its failure box or has handed off,
// before any clean-up.
class LookingWatch : public SetupWatch {
public:
  LookingWatch(const SetupRunOptions& options, std::function<void()> look)
      : SetupWatch(options), Look_(std::move(look)) {}

private:
  void OnBox(const SeenBox& box) override {
    if (box.OwnedByMainWindow) Look_();
  }
  void OnHandOff() override { Look_(); }

  std::function<void()> Look_;
};

struct FamilyRun {
  bool WroteEverything = false; // handed off, with every entry it should write in place
};

FamilyRun RunFamily(const Row& row, const Family& family, const std::vector<WriterEntry>& payload) {
  static int serial = 0;
  const std::string root = WorkRoot + "\\" + std::to_string(++serial);
  // Made afresh, so that nothing an earlier run left there is taken for this run's.
  RemoveTree(root);
  for (const std::string& elsewhere : ElsewhereRoots())
    RemoveTree(elsewhere);
  DeleteFileA(RootFile.c_str());
  const std::string media = root + "\\MEDIA", temp = root + "\\" + TempName();
  CreateDirectoryA(root.c_str(), nullptr);
  CreateDirectoryA(media.c_str(), nullptr);
  CreateDirectoryA(temp.c_str(), nullptr);
  const std::string archive = media + "\\N_SETUP.DRS";
  const std::string setup = media + "\\" + family.Program;
  if (!row.SealedFor.empty()) {
    CHECK(WriteWholeFile(root + "\\SEALED.DRS", row.SealedFor));
    SealSetup(SetupPath, setup, root + "\\SEALED.DRS");
    DeleteFileA((root + "\\SEALED.DRS").c_str());
  } else {
    CHECK(CopyFileA((row.SetupBefore ? SetupBeforePath : SetupPath).c_str(), setup.c_str(), FALSE));
  }
  if (!row.Missing) CHECK(WriteWholeFile(archive, row.Archive));
  const std::string workDir = temp + "\\N80_INST";

  // What SETUP.EXE leaves while it waits on its failure box or has handed off, before
  // any clean-up.
  Files written;
  bool seen = false;
  auto look = [&] {
    if (seen) return;
    seen = true;
    AddFiles(written, workDir, "");
    written.erase("N_SETUP.DRS");
    for (const std::string& elsewhere : ElsewhereRoots())
      AddFiles(written, elsewhere, "NUVIK\\");
    if (PathExists(RootFile)) written[RootFileName] = ReadWholeFile(RootFile);
  };
  SetupRunOptions options;
  options.SetupPath = setup;
  options.TempPath = temp + "\\";
  options.ReportPath = root + "\\report.txt";
  options.TimeoutMs = 90000;
  const SetupRunRecord run = LookingWatch(options, look).Run();
  const bool handedOff = !run.Report.empty();

  std::printf("%-40s %-5s exit %lu%s,", row.Name, family.Nt ? "NT" : "95", run.ExitCode,
              run.TimedOut ? " (timed out)" : "");
  for (const SeenBox& box : run.Boxes)
    std::printf(" [%s: %s]", box.Caption.c_str(), box.Text.c_str());
  std::printf("%s, work directory %s\n", handedOff ? " handed off" : "",
              PathExists(workDir) ? "kept" : "removed");
  std::fflush(stdout);

  CHECK(run.Started);
  CHECK(!run.TimedOut);
  CHECK_EQ(0, run.ExitCode);
  const bool fileError = BoxesAre(run.Boxes, &FileErrorBox);
  const bool nothingToRun = BoxesAre(run.Boxes, nullptr);
  switch (family.Nt ? row.ExpectedOnNt : row.Expected) {
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
  case Outcome::HandOff:
    CHECK(handedOff && run.Boxes.empty());
    break;
  }
  // Only a whole extraction cleans up; every other failure leaves the work directory
  // as it was.
  if (nothingToRun || handedOff) {
    CHECK(!PathExists(workDir));
  } else {
    CHECK(PathExists(workDir));
    if (!row.Missing) CHECK(PathExists(workDir + "\\N_SETUP.DRS"));
  }
  // Nothing beside the temporary directory: no work directory, no folder of an entry.
  for (const std::string& name : NamesIn(root)) {
    const bool known = name == "MEDIA" || name == UpperCased(TempName()) || name == "REPORT.TXT";
    if (!known) std::printf("  beside the temporary directory: %s\n", name.c_str());
    CHECK(known);
  }

  // The files SETUP.EXE wrote: never more bytes than the entry claims, and what an
  // intact stream gave up to the damage is the start of the entry's bytes.
  const std::map<std::string, uint32_t> limits = SizeLimits(row.Archive);
  std::map<std::string, std::string> contents;
  for (const WriterEntry& entry : payload)
    contents[UpperCased(entry.Dir.empty() ? entry.Name : entry.Dir + "\\" + entry.Name)] =
        entry.Data;
  for (const auto& [path, bytes] : written) {
    const auto limit = limits.find(path);
    if (limit != limits.end()) CHECK(bytes.size() <= limit->second);
    const auto content = contents.find(path);
    if (row.FilesArePrefixes && content != contents.end())
      CHECK(content->second.compare(0, bytes.size(), bytes) == 0);
  }

  // drs: the plan, then the unpacking, against what SETUP.EXE did. A sealed SETUP.EXE
  // refuses another archive as it copies it, before any plan of the archive's.
  FamilyRun result;
  if (row.Missing) return result;
  if (row.SealedFor.size() && CheckSeal(setup, archive) == SealState::ArchiveDiffers) {
    CHECK(BoxesAre(run.Boxes, &CopyErrorBox));
    CHECK(written.empty());
    return result;
  }
  const SetupPlan plan = PlanSetupRun(archive, family.Nt);
  if (plan.StopBox) {
    const BoxText stop = {plan.StopBox, "Fatal Error"};
    CHECK(BoxesAre(run.Boxes, &stop));
  } else if (plan.StartsSetupProgram) {
    CHECK(handedOff && run.Boxes.empty());
  } else {
    CHECK(nothingToRun);
  }
  const std::string unpacked = WorkRoot + "\\unpacked";
  RemoveTree(unpacked);
  Arguments arguments = {archive, unpacked};
  if (family.Nt) arguments.insert(arguments.begin(), "--nt");
  try {
    UnpackCommand(arguments);
  } catch (const DamagedArchive&) {
  }
  Files drs;
  AddFiles(drs, unpacked, "");
  // drs removes the partial file of the entry SETUP.EXE stops at; SETUP.EXE keeps it.
  if (plan.StopBox && !plan.Entries.empty()) {
    const ArchiveView view(archive);
    const std::string stoppedAt = PlaceOfEntry(view.Entry(plan.Entries.back().Index));
    CHECK(drs.count(stoppedAt) == 0);
    written.erase(stoppedAt);
  }
  for (const auto& [path, bytes] : written)
    if (drs.count(path) == 0 || drs[path] != bytes) std::printf("  differs: %s\n", path.c_str());
  for (const auto& [path, bytes] : drs)
    if (written.count(path) == 0) std::printf("  only drs unpack wrote %s\n", path.c_str());
  CHECK(written == drs);
  for (const std::string& elsewhere : ElsewhereRoots())
    RemoveTree(elsewhere);
  DeleteFileA(RootFile.c_str());

  // Whether it installed whole, judged from the directory: every named entry, save the
  // NT family's .DL_ files, is in place.
  if (handedOff && run.Boxes.empty()) {
    result.WroteEverything = true;
    const ArchiveView view(archive);
    for (int i = 0; i < view.Count(); ++i) {
      const ArchiveEntry& entry = view.Entry(i);
      if (entry.Name[0] && !(family.Nt && SkippedOnNt(entry.Name)) &&
          written.count(PlaceOfEntry(entry)) == 0)
        result.WroteEverything = false;
    }
  }
  return result;
}

void RunRows(const std::vector<Row>& rows, const std::vector<WriterEntry>& payload) {
  for (const Row& row : rows) {
    bool installs = true;
    for (const Family& family : Families)
      installs = RunFamily(row, family, payload).WroteEverything && installs;
    if (row.Missing) continue;
    int verdict = 1;
    // A sealed row is verified as a medium: its SETUP.EXE beside its archive.
    const std::string medium = WorkRoot + "\\VERIFY";
    RemoveTree(medium);
    CreateDirectoryA(medium.c_str(), nullptr);
    WriteWholeFile(WorkRoot + "\\verify.drs", row.Archive);
    if (!row.SealedFor.empty()) {
      WriteWholeFile(medium + "\\N_SETUP.DRS", row.Archive);
      WriteWholeFile(WorkRoot + "\\sealed.drs", row.SealedFor);
      SealSetup(SetupPath, medium + "\\SETUP.EXE", WorkRoot + "\\sealed.drs");
    }
    try {
      verdict = VerifyCommand({row.SealedFor.empty() ? WorkRoot + "\\verify.drs" : medium});
    } catch (const DamagedArchive&) {
      verdict = 1;
    }
    if ((verdict == 0) != installs)
      std::printf("  drs verify exits %d, but SETUP.EXE %s\n", verdict,
                  installs ? "installs it whole on both families" : "does not");
    CHECK((verdict == 0) == installs);
    if (row.InstallsWhole) CHECK(installs);
  }
}

void RunRows(const std::vector<Row>& rows) {
  RunRows(rows, PayloadEntries());
}

std::string Sound() {
  return ArchiveOf(PayloadEntries());
}

uint32_t OffsetOf(const std::string& archive, int entry) {
  return LittleEndian32(reinterpret_cast<const unsigned char*>(archive.data()) +
                        LayoutOf(archive).EntryAt[entry]);
}

// The archive with the first bit flipped, from the middle of the entry's stream on, that
// leaves the stream decoding to as many bytes as before, but other ones than `bytes`.
std::string FlippedStillDecoding(const std::string& archive, int entry, const std::string& bytes) {
  const Layout layout = LayoutOf(archive);
  const size_t start = layout.DataAt[entry], end = layout.DataAt[entry + 1];
  for (size_t at = (start + 4 + end) / 2; at < end; ++at) {
    const std::string flipped = Flipped(archive, at, 0);
    FileHandle input = StreamOf(flipped.substr(start, end - start)), output(std::tmpfile());
    if (DecodeEntry(input.get(), output.get()) == DecodeDone && ContentOf(output.get()) != bytes)
      return flipped;
  }
  ReportFailure(__FILE__, __LINE__, "no flipped bit leaves the stream decoding");
  return archive;
}

std::string WithLongPath(size_t dirLength, size_t nameLength) {
  std::vector<WriterEntry> entries = PayloadEntries();
  entries[1].Dir = std::string(dirLength, 'D');
  entries[1].Name = std::string(nameLength - 4, 'N') + ".INI";
  return ArchiveOf(entries);
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
      {"EntryCount 0", ArchiveOf({}), false, Outcome::NothingToRun},
      {"EntryCount 0x8000", WithCount(sound, 0x8000), false, Outcome::NothingToRun},
      {"EntryCount 3001", WithCount(sound, 3001)},
      // Each entry is found through its own Offset alone, backwards too.
      {"offset of the entry before", WithOffset(sound, 1, OffsetOf(sound, 0)), false,
       Outcome::NothingToRun, false},
      {"offset past the end", WithOffset(sound, 2, pastTheEnd)},
      {"offset past 2 GiB", WithOffset(sound, 2, 0x80000000u)},
      {"DataBase + Offset wrapping past 4 GiB", WithOffset(sound, 2, 0u - 16)},
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

// Damage only the checksums find, the seal, and archives with checksums under the
// SETUP.EXE built before them.
TEST_CASE(ChecksumsAndSeal) {
  const std::vector<WriterEntry> payload = WithSetupProgram(PayloadEntries());
  const std::string sound = ArchiveOf(payload);
  const std::string without = ArchiveOf(payload, EntryChecksums::None);
  const std::string another = ArchiveOf(WithSetupProgram({Entry("", "OTHER.TXT", "another")}));
  constexpr auto handOff = Outcome::HandOff, copyError = Outcome::CopyError;
  RunRows({{"flipped bit, still decoding, checksums",
            FlippedStillDecoding(sound, 3, payload[3].Data), false, Outcome::FileError, false},
           {"flipped bit, still decoding, no checksums",
            FlippedStillDecoding(without, 3, payload[3].Data), false, handOff, false},
           {"sealed medium", sound, false, handOff, true, handOff, true, sound},
           {"sealed medium, archive replaced", another, false, copyError, true, copyError, false,
            sound},
           {"checksums, SETUP.EXE from before them", sound, false, handOff, true, handOff, true, "",
            true}},
          payload);
}

// Where entries land, on both families, sub-folders and the NT family's omissions
// included: the rows that also run with a double-byte temporary directory.
TEST_CASE(WhereEntriesLand) {
  std::vector<WriterEntry> sound = WithSetupProgram(PayloadEntries());
  sound.push_back(Entry("DATA", "NOTE.TXT", "a note\r\n"));
  sound.push_back(Entry("DATA\\SUB", "CONFIG.INI", "[Config]\r\n"));
  sound.push_back(Entry("DATA\\EMPTY", "", ""));
  sound.push_back(Entry("", "NUVIK16.DL_", std::string(3000, 'D')));

  std::vector<WriterEntry> rooted = sound;
  rooted.push_back(Entry("\\NUVIK", "ROOTED.TXT", "from the root of the drive"));
  std::vector<WriterEntry> otherDrive = sound;
  otherDrive.push_back(Entry("C:\\NUVIK", "DRIVE.TXT", "from the root of drive C:"));
  // Names that installed before the rules were written down: a bare drive is its root,
  // Windows drops trailing dots (and blanks), 0x7F is a byte like any other.
  std::vector<WriterEntry> driveRoot = sound;
  driveRoot.push_back(Entry("C:", RootFileName, "at the root of drive C:"));
  std::vector<WriterEntry> trailingDot = sound;
  trailingDot.push_back(Entry("", "README.", "lands as README"));
  std::vector<WriterEntry> folderDot = sound;
  folderDot.push_back(Entry("DATA.", "X.TXT", "lands in DATA"));
  std::vector<WriterEntry> delByte = sound;
  delByte.push_back(Entry("", "DEL\x7F.TXT", "a name with 0x7F"));
  std::vector<WriterEntry> badName = sound;
  badName.insert(badName.begin() + 2, Entry("", "BAD?.TXT", "no such name"));
  // Nothing may land outside the work directory for a relative Dir or Name.
  std::vector<WriterEntry> climbing = sound;
  climbing.insert(climbing.begin() + 2, Entry("..\\OUT", "A.TXT", "one folder up"));
  climbing.insert(climbing.begin() + 3, Entry("", "..\\UP.TXT", "one folder up"));
  climbing.insert(climbing.begin() + 4, Entry("\\", "AUX.TXT", "a device"));

  // The NT family leaves out a damaged .DL_ entry that stops the Windows 95 family.
  std::vector<WriterEntry> damagedDl = sound;
  damagedDl.back().Source = EntrySource::EncodedStream;
  damagedDl.back().Data = StreamAbc.substr(0, 5);

  // A stream that opens with an 11-byte match at offset 4095 copies what the previous
  // entry left in the ring's tail: on the NT family that is another entry.
  std::vector<WriterEntry> carried =
      WithSetupProgram({Entry("", "FIRST.TXT", "first entry, whose bytes the ring keeps"),
                        Entry("", "SKIPPED.DL_", "skipped on NT, whose bytes the ring keeps"),
                        Entry("", "CARRIED.TXT", "")});
  carried.back().Source = EntrySource::EncodedStream;
  carried.back().Data = std::string("\x0B\x00\x00\x00\x94\xFF\xFC", 7);

  constexpr auto handOff = Outcome::HandOff;
  RunRows({{"sound, with sub-folders and a .DL_ file", ArchiveOf(sound), false, handOff},
           {"Dir from the root of the drive", ArchiveOf(rooted), false, handOff},
           {"Dir with a drive letter", ArchiveOf(otherDrive), false, handOff},
           {"a name Windows cannot create", ArchiveOf(badName), false, handOff},
           {"Dir of a bare drive, C:", ArchiveOf(driveRoot), false, handOff, true, handOff, true},
           {"a name with a trailing dot, README.", ArchiveOf(trailingDot), false, handOff, true,
            handOff, true},
           {"a folder with a trailing dot, DATA.\\X.TXT", ArchiveOf(folderDot), false, handOff,
            true, handOff, true},
           {"a name with the byte 0x7F", ArchiveOf(delByte), false, handOff, true, handOff, true},
           {"folders and names that climb out", ArchiveOf(climbing), false, handOff},
           // Streams stored as they are: their bytes, and so their checksums, are not known.
           {"a damaged .DL_ entry", ArchiveOf(damagedDl, EntryChecksums::None), false,
            Outcome::FileError, true, handOff},
           {"the ring after a left-out entry", ArchiveOf(carried, EntryChecksums::None), false,
            handOff}},
          sound);
}

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(
        stderr,
        "usage: media_check_test SETUP.EXE N_SETUP.EXE SETUP_BEFORE_CHECKSUMS.EXE [CASE...]\n");
    return 2;
  }
  SetupPath = WindowsPath(argv[1]);
  DemoPath = WindowsPath(argv[2]);
  SetupBeforePath = WindowsPath(argv[3]);
  const char* drive = std::getenv("SCRATCH_DRIVE");
  // A folder per code page: another code page cannot name the double-byte folders.
  WorkRoot = std::string(1, drive ? drive[0] : '?') + ":\\RUNS" + std::to_string(GetACP());
  CreateDirectoryA(WorkRoot.c_str(), nullptr);
  // Sound ports, so that no run stops at the restart question.
  for (const char* port : {"COM1:", "COM2:", "COM3:", "COM4:"})
    WriteProfileStringA("ports", port, "9600,n,8,1");
  for (const Family& family : Families) {
    const std::string key = std::string("Software\\Wine\\AppDefaults\\") + family.Program;
    HKEY handle;
    CHECK(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &handle, nullptr) == ERROR_SUCCESS);
    RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(family.Version),
                   static_cast<DWORD>(std::strlen(family.Version) + 1));
    RegCloseKey(handle);
  }
  return RunAllTests(argc - 3, argv + 3);
}
