#include "archive_copy.h"

#include "ansi_path.h"
#include "archive_seal.h"
#include "format/rules.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int CopyBlockSize = 4096;
// Argument 0 has at most 255 characters, as an output path has.
constexpr int SourcePathSize = OutputPathSize;

// The directory part of argument 0 (in a form the ANSI calls open), trailing backslash
// kept, followed by the name.
// Started by a bare file name, the bootstrap still finds the archive beside itself,
// since the current directory is the work directory by now. False when the result
// does not fit.
bool SourcePath(const char* archiveName, char (&source)[SourcePathSize]) {
  char plain[MAX_PATH];
  const char* argumentZero = PlainArgumentZero(plain);
  if (std::strlen(argumentZero) >= SourcePathSize) return false;
  std::strcpy(source, argumentZero);
  char* cut = std::strrchr(source, '\\');
  if (!cut) {
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    if (length == 0 || length >= sizeof module) return false;
    cut = std::strrchr(module, '\\');
    if (!cut || cut - module + 1 >= SourcePathSize) return false;
    cut[1] = '\0';
    std::strcpy(source, module);
    cut = source + (cut - module);
  }
  cut[1] = '\0';
  const size_t directoryLength = static_cast<size_t>(cut + 1 - source);
  if (directoryLength + std::strlen(archiveName) >= SourcePathSize) return false;
  std::strcpy(cut + 1, archiveName);
  return true;
}

// The length of an open file; its position is left where it was.
LONG GetFileLength(HFILE file) {
  const LONG position = _llseek(file, 0, FILE_CURRENT);
  const LONG length = _llseek(file, 0, FILE_END);
  _llseek(file, position, FILE_BEGIN);
  return length;
}

} // namespace

CopyResult CopyArchive(const char* archiveName) {
  char* block = static_cast<char*>(std::malloc(CopyBlockSize));
  if (!block) return ArchiveNotCopied;
  char source[SourcePathSize];
  if (!SourcePath(archiveName, source)) {
    std::free(block);
    return ArchiveNotCopied;
  }
  const HFILE input = _lopen(source, OF_READ);
  if (input == HFILE_ERROR) {
    std::free(block);
    return ArchiveNotCopied;
  }
  const HFILE output = _lcreat(archiveName, 0);
  if (output == HFILE_ERROR) {
    _lclose(input);
    std::free(block);
    return ArchiveNotCopied;
  }

  // A sealed bootstrap takes only the archive it was sealed for: every byte passes here
  // once, and the digest is compared when the copy is whole.
  const bool sealed = IsSealed(Seal);
  Sha256 hash;
  Sha256Start(&hash);
  bool whole = true;
  const LONG length = GetFileLength(input);
  if (length < 0) whole = false;
  for (LONG copied = 0; whole && copied != length;) {
    const UINT chunk =
        static_cast<UINT>(length - copied < CopyBlockSize ? length - copied : CopyBlockSize);
    // A medium that yields less than it promised must not pass for a whole archive.
    if (_lread(input, block, chunk) != chunk) {
      whole = false;
    } else if (_lwrite(output, block, chunk) != chunk) {
      _lclose(input);
      _lclose(output);
      std::free(block);
      return ArchiveCopyDiskFull;
    } else {
      if (sealed) Sha256Add(&hash, block, chunk);
      copied += static_cast<LONG>(chunk);
    }
  }
  _lclose(input);
  _lclose(output);
  std::free(block);
  if (sealed && whole) {
    unsigned char digest[Sha256Size];
    Sha256Finish(&hash, digest);
    whole = SealAccepts(Seal, digest);
  }
  return whole ? ArchiveCopied : ArchiveNotCopied;
}
