#include "extract.h"

#include "archive_copy.h"
#include "directory_path.h"
#include "file_time.h"
#include "format/archive.h"
#include "lzhuf/fatal_error.h"
#include "lzhuf/lzhuf.h"
#include "os_kind.h"

#include <windows.h>

#include <direct.h>
#include <io.h>

#include <cstdlib>
#include <cstring>

std::FILE* ArchiveStream;
std::FILE* OutputStream;

namespace {

constexpr int StreamBufferSize = 5000;
constexpr int SavedDirectorySize = 254;
constexpr int OutputPathSize = 256;
// The saved directory without its drive, a backslash and a Dir that fits an output path.
constexpr int DirectoryPathSize = SavedDirectorySize + OutputPathSize;

char* StreamBuffer;

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
  if (_chdir(entry.Dir) != 0) CreateEntryDirectory(savedDirectory, entry.Dir);
  _chdir(savedDirectory);
}

void UnpackEntry(const ArchiveEntry& entry, const char* savedDirectory) {
  char outputPath[OutputPathSize];
  PrepareOutputPath(entry, savedDirectory, outputPath);
  OutputStream = std::fopen(outputPath, "wb");
  if (!OutputStream) return;
  // A position out of the stream's reach would leave it where the previous entry
  // ended, and this file would be filled from that entry's tail.
  if (std::fseek(ArchiveStream, static_cast<long>(DataBase + entry.Offset), SEEK_SET) != 0)
    FatalError("File error !!");
  DecodeEntry(ArchiveStream, OutputStream);
  // The last bytes of a file reach the disk only here; a full disk must not leave a
  // short file behind as if it were whole.
  if (std::fflush(OutputStream) != 0) FatalError("Can't write !! Disk error !!");
  StampFileTime(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(OutputStream))), entry.DosTime,
                entry.DosDate);
  std::fclose(OutputStream);
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
  if (!_getcwd(savedDirectory, SavedDirectorySize)) {
    ReleaseExtractionMemory();
    return 0;
  }
  if (CopyArchive(archiveName) == -1) {
    MessageBoxA(nullptr, archiveName, "Copy error", MB_OK);
    ReleaseExtractionMemory();
    return 0;
  }
  ArchiveStream = std::fopen(archiveName, "rb");
  if (!ArchiveStream) {
    ReleaseExtractionMemory();
    FatalError("File not found !!");
  }
  StreamBuffer = static_cast<char*>(std::malloc(StreamBufferSize));
  if (StreamBuffer) std::setvbuf(ArchiveStream, StreamBuffer, _IOFBF, StreamBufferSize);

  const int count = ReadArchiveDirectory(ArchiveStream);
  for (int i = 0; i < count; ++i) {
    const ArchiveEntry& entry = EntryTable[i];
    if (osKind >= FirstNtOsKind && SkippedOnNt(entry.Name)) continue;
    UnpackEntry(entry, savedDirectory);
  }

  std::fclose(ArchiveStream);
  ArchiveStream = nullptr;
  DeleteFileA(archiveName);
  ReleaseExtractionMemory();
  return 1;
}
