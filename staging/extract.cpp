#include "extract.h"

#include "archive_copy.h"
#include "directory_path.h"
#include "file_time.h"
#include "format/rules.h"
#include "lead_byte.h"
#include "lzhuf/lzhuf.h"
#include "os_kind.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

FileStream* ArchiveStream;
FileStream* OutputStream;

namespace {

constexpr DWORD StreamBufferSize = 5000;
// Large enough that most files reach the disk in one write, when they are flushed.
constexpr DWORD OutputBufferSize = 64 * 1024;

FileStream ArchiveFile;
FileStream OutputFile;
// The archive's 5000 bytes, then the output's buffer.
unsigned char* StreamBuffer;
// The Dir of the entry before, already checked or made: entries of one folder usually
// follow each other, and each check costs two trips to the system.
char CheckedDir[TextBufferSize];
static_assert(WindowsPathSize == MAX_PATH);
// The one resumption point of the extraction, armed by ExtractArchive for as long as it
// runs: a jump buffer of the compiler's own non-local jump, which needs no runtime
// library.
void* FatalErrorJump[5];

// Every failure of the extraction ends here, told in a box (English whatever the
// language, owned by no window) before the extraction gives up where ExtractArchive
// gives back what it holds.
[[noreturn]] void GiveUp(const char* message, const char* caption) {
  MessageBoxA(nullptr, message, caption, MB_OK);
  __builtin_longjmp(FatalErrorJump, 1);
}

// Called from many places: one call each, not a copy of the box at each.
[[noreturn, gnu::noinline]] void FatalError(const char* message) {
  GiveUp(message, FatalErrorCaption);
}

// Makes the entry's folders where its Dir puts them, unless they can be entered already,
// and comes back to the work directory.
void CreateEntryDirectory(const char* dir, const char* savedDirectory) {
  if (std::strcmp(dir, CheckedDir) == 0) return;
  if (!SetCurrentDirectoryA(dir)) MakeDirectoryPath(dir);
  SetCurrentDirectoryA(savedDirectory);
  std::strcpy(CheckedDir, dir);
}

void UnpackEntry(const ArchiveEntry& entry, bool ntFamily, const char* savedDirectory) {
  switch (DecideEntry(entry, ntFamily, DataBase, IsLeadByte).Action) {
  case EntryAction::PassOver:
    return;
  case EntryAction::Stop:
    FatalError(FileErrorText);
  case EntryAction::MakeFolder:
    CreateEntryDirectory(entry.Dir, savedDirectory);
    return;
  case EntryAction::Write:
    break;
  }
  if (entry.Dir[0]) CreateEntryDirectory(entry.Dir, savedDirectory);
  char outputPath[OutputPathSize];
  JoinEntryPath(entry, outputPath, OutputPathSize);
  if (!OpenStreamForWriting(&OutputFile, outputPath, StreamBuffer + StreamBufferSize,
                            OutputBufferSize)) {
    // Passed over, the setup program would be whatever already lies there.
    if (IsSetupProgram(entry)) FatalError(FileErrorText);
    return;
  }
  OutputStream = &OutputFile;
  // The rules have made sure that the position is in the stream's reach; a seek that
  // still fails would leave the stream where the previous entry ended.
  int32_t position = 0;
  DataPosition(DataBase, entry.Offset, &position);
  if (!SeekStream(ArchiveStream, position)) FatalError(FileErrorText);
  if (const int status = DecodeEntry(ArchiveStream, OutputStream, ExpectedCrc(entry)))
    FatalError(DecodeFailureText(status));
  // The last bytes of a file reach the disk only here; a full disk must not leave a
  // short file behind as if it were whole.
  if (!FlushStream(OutputStream)) FatalError(WriteErrorText);
  StampFileTime(OutputStream->File, entry.DosTime, entry.DosDate);
  CloseStream(OutputStream);
  OutputStream = nullptr;
}

void UnpackArchive(const char* archiveName) {
  const int osKind = ClassifyOs();
  EntryTable = static_cast<ArchiveEntry*>(std::calloc(MaxEntries, sizeof(ArchiveEntry)));
  if (!EntryTable) GiveUp(MemoryErrorText, "Decompress");
  EntryCount = 0;
  // Without the way back, every directory check would leave the unpacking elsewhere:
  // nothing is copied then.
  char savedDirectory[SavedDirectorySize];
  const DWORD savedLength = GetCurrentDirectoryA(SavedDirectorySize, savedDirectory);
  const CopyResult copy = savedLength == 0 || savedLength >= SavedDirectorySize
                              ? ArchiveNotCopied
                              : CopyArchive(archiveName);
  // A full disk, which the user can mend, is named before what could not be copied.
  if (copy == ArchiveCopyDiskFull)
    MessageBoxA(nullptr, "Disk write error !!. Check disk space", "Write error", MB_OK);
  if (copy != ArchiveCopied) GiveUp(archiveName, "Copy error");
  StreamBuffer = static_cast<unsigned char*>(std::malloc(StreamBufferSize + OutputBufferSize));
  if (!StreamBuffer) FatalError(MemoryErrorText);
  if (!OpenStreamForReading(&ArchiveFile, archiveName, StreamBuffer, StreamBufferSize))
    FatalError("File not found !!");
  ArchiveStream = &ArchiveFile;

  CheckedDir[0] = '\0';
  if (const int status = ReadArchiveDirectory(ArchiveStream)) FatalError(ReadFailureText(status));
  for (int i = 0; i < EntryCount; ++i)
    UnpackEntry(EntryTable[i], osKind >= FirstNtOsKind, savedDirectory);
}

// Closes what is still open (the archive before the output, as a fatal error leaves
// them) and gives back the table, its texts and the buffers, which the streams use.
void ReleaseExtraction() {
  if (ArchiveStream) CloseStream(ArchiveStream);
  ArchiveStream = nullptr;
  if (OutputStream) CloseStream(OutputStream);
  OutputStream = nullptr;
  if (EntryTable) {
    ReleaseEntryTexts();
    std::free(EntryTable);
    EntryTable = nullptr;
  }
  std::free(StreamBuffer);
  StreamBuffer = nullptr;
}

} // namespace

bool ExtractArchive(const char* archiveName) {
  // FatalError comes back here once its box is closed. Only plain C frames lie between,
  // so nothing that needs unwinding is jumped over, and nothing of them runs again.
  if (__builtin_setjmp(FatalErrorJump)) {
    ReleaseExtraction();
    return false;
  }
  UnpackArchive(archiveName);
  ReleaseExtraction();
  // The copy is of no more use once everything is unpacked from it; after a failure it
  // stays for a look at it.
  DeleteFileA(archiveName);
  return true;
}
