#include "extract.h"

#include "archive_copy.h"
#include "directory_path.h"
#include "fatal_error.h"
#include "fatal_error_jump.h"
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

bool UnpackArchive(const char* archiveName) {
  const int osKind = ClassifyOs();
  EntryTable = static_cast<ArchiveEntry*>(std::calloc(MaxEntries, sizeof(ArchiveEntry)));
  if (!EntryTable) {
    MessageBoxA(nullptr, MemoryErrorText, "Decompress", MB_OK);
    return false;
  }
  EntryCount = 0;
  // Without the way back, every directory check would leave the unpacking elsewhere.
  char savedDirectory[SavedDirectorySize];
  const DWORD savedLength = GetCurrentDirectoryA(SavedDirectorySize, savedDirectory);
  if (savedLength == 0 || savedLength >= SavedDirectorySize) return false;
  if (!CopyArchive(archiveName)) {
    MessageBoxA(nullptr, archiveName, "Copy error", MB_OK);
    return false;
  }
  StreamBuffer = static_cast<unsigned char*>(std::malloc(StreamBufferSize + OutputBufferSize));
  if (!StreamBuffer) FatalError(MemoryErrorText);
  if (!OpenStreamForReading(&ArchiveFile, archiveName, StreamBuffer, StreamBufferSize))
    FatalError("File not found !!");
  ArchiveStream = &ArchiveFile;

  CheckedDir[0] = '\0';
  if (const int status = ReadArchiveDirectory(ArchiveStream)) FatalError(ReadFailureText(status));
  for (int i = 0; i < EntryCount; ++i)
    UnpackEntry(EntryTable[i], osKind >= FirstNtOsKind, savedDirectory);
  return true;
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
  const bool whole = UnpackArchive(archiveName);
  ReleaseExtraction();
  // The copy is of no more use once everything is unpacked from it; after a failure it
  // stays for a look at it.
  if (whole) DeleteFileA(archiveName);
  return whole;
}
