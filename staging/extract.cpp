#include "extract.h"

#include "archive_copy.h"
#include "directory_path.h"
#include "file_time.h"
#include "format/archive.h"
#include "fatal_error.h"
#include "format/rules.h"
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
constexpr int SavedDirectorySize = 254;
constexpr int OutputPathSize = 256;
// The saved directory without its drive, a backslash and a Dir that fits an output path.
constexpr int DirectoryPathSize = SavedDirectorySize + OutputPathSize;

FileStream ArchiveFile;
FileStream OutputFile;
// The archive's 5000 bytes, then the output's buffer.
unsigned char* StreamBuffer;
// The Dir of the entry before, already checked or made: entries of one folder usually
// follow each other, and each check costs two trips to the system.
char CheckedDir[TextBufferSize];

bool SkippedOnNt(const char* name) {
  char upper[OutputPathSize];
  std::strcpy(upper, name);
  for (char* p = upper; *p; ++p)
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
  return std::strstr(upper, ".DL_") != nullptr;
}

// A Dir without a leading backslash belongs under the directory being unpacked into,
// where the output path points; MakeDirectoryPath works from the root of the drive, so
// it is given that directory's root-based path in front of Dir.
void CreateEntryDirectory(const char* savedDirectory, const char* dir) {
  if (dir[0] == '\\') {
    MakeDirectoryPath(dir);
    return;
  }
  char path[DirectoryPathSize];
  const char* rootBased = savedDirectory[1] == ':' ? savedDirectory + 2 : savedDirectory;
  std::strcpy(path, rootBased);
  const size_t length = std::strlen(path);
  if (length == 0 || path[length - 1] != '\\') std::strcat(path, "\\");
  std::strcat(path, dir);
  MakeDirectoryPath(path);
}

// Sets the output path of an entry, creating its directory first. A joined path that
// does not fit would drop a file from the installation unnoticed: the archive is
// refused as damaged instead.
void PrepareOutputPath(const ArchiveEntry& entry, const char* savedDirectory,
                       char (&outputPath)[OutputPathSize]) {
  if (!entry.Dir[0]) {
    std::strcpy(outputPath, entry.Name);
    return;
  }
  if (std::strlen(entry.Dir) + 1 + std::strlen(entry.Name) >= OutputPathSize)
    FatalError("File error !!");
  wsprintfA(outputPath, "%s\\%s", entry.Dir, entry.Name);
  if (std::strcmp(entry.Dir, CheckedDir) == 0) return;
  if (!SetCurrentDirectoryA(entry.Dir)) CreateEntryDirectory(savedDirectory, entry.Dir);
  SetCurrentDirectoryA(savedDirectory);
  std::strcpy(CheckedDir, entry.Dir);
}

void UnpackEntry(const ArchiveEntry& entry, const char* savedDirectory) {
  char outputPath[OutputPathSize];
  PrepareOutputPath(entry, savedDirectory, outputPath);
  if (!OpenStreamForWriting(&OutputFile, outputPath, StreamBuffer + StreamBufferSize,
                            OutputBufferSize))
    return;
  OutputStream = &OutputFile;
  // A position out of the stream's reach would leave it where the previous entry
  // ended, and this file would be filled from that entry's tail.
  if (!SeekStream(ArchiveStream, static_cast<LONG>(DataBase + entry.Offset)))
    FatalError("File error !!");
  if (const int status = DecodeEntry(ArchiveStream, OutputStream))
    FatalError(DecodeFailureText(status));
  // The last bytes of a file reach the disk only here; a full disk must not leave a
  // short file behind as if it were whole.
  if (!FlushStream(OutputStream)) FatalError("Can't write !! Disk error !!");
  StampFileTime(OutputStream->File, entry.DosTime, entry.DosDate);
  CloseStream(OutputStream);
  OutputStream = nullptr;
}

} // namespace

void ReleaseExtractionMemory() {
  if (EntryTable) {
    ReleaseEntryTexts();
    std::free(EntryTable);
    EntryTable = nullptr;
  }
  std::free(StreamBuffer);
  StreamBuffer = nullptr;
}

int ExtractArchive(const char* archiveName) {
  const int osKind = ClassifyOs();
  EntryTable = static_cast<ArchiveEntry*>(std::calloc(MaxEntries, sizeof(ArchiveEntry)));
  if (!EntryTable) {
    MessageBoxA(nullptr, "Memory error", "Decompress", MB_OK);
    return 0;
  }
  EntryCount = 0;
  // Without the way back, every directory check would leave the unpacking elsewhere.
  char savedDirectory[SavedDirectorySize];
  const DWORD savedLength = GetCurrentDirectoryA(SavedDirectorySize, savedDirectory);
  if (savedLength == 0 || savedLength >= SavedDirectorySize) {
    ReleaseExtractionMemory();
    return 0;
  }
  if (CopyArchive(archiveName) == -1) {
    MessageBoxA(nullptr, archiveName, "Copy error", MB_OK);
    ReleaseExtractionMemory();
    return 0;
  }
  StreamBuffer = static_cast<unsigned char*>(std::malloc(StreamBufferSize + OutputBufferSize));
  if (!StreamBuffer) FatalError("Memory error");
  if (!OpenStreamForReading(&ArchiveFile, archiveName, StreamBuffer, StreamBufferSize)) {
    ReleaseExtractionMemory();
    FatalError("File not found !!");
  }
  ArchiveStream = &ArchiveFile;

  CheckedDir[0] = '\0';
  if (const int status = ReadArchiveDirectory(ArchiveStream)) FatalError(ReadFailureText(status));
  const int count = EntryCount;
  for (int i = 0; i < count; ++i) {
    const ArchiveEntry& entry = EntryTable[i];
    if (osKind >= FirstNtOsKind && SkippedOnNt(entry.Name)) continue;
    UnpackEntry(entry, savedDirectory);
  }

  CloseStream(ArchiveStream);
  ArchiveStream = nullptr;
  DeleteFileA(archiveName);
  ReleaseExtractionMemory();
  return 1;
}
