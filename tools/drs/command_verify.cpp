#include <cstdio>

#include "archive_view.h"
#include "commands.h"
#include "lzhuf/lzhuf.h"

#ifdef _WIN32
static const char NullDevice[] = "NUL";
#else
static const char NullDevice[] = "/dev/null";
#endif

// Decodes, in directory order, every entry that the bootstrap decodes (those with a
// Name), as a Windows 95 family machine would, and throws the bytes away: the decoder
// itself checks that each stream yields exactly its UnpackedSize bytes.
int VerifyCommand(const Arguments& arguments) {
  if (arguments.size() != 1) return UsageError();
  ArchiveView archive(arguments[0]);
  std::FILE* sink = std::fopen(NullDevice, "wb");
  if (!sink) throw DamagedArchive(std::string("cannot open ") + NullDevice);
  int damaged = 0;
  for (int i = 0; i < archive.Count(); ++i) {
    const ArchiveEntry& entry = archive.Entry(i);
    if (entry.Name[0] == '\0') continue;
    try {
      if (!archive.SeekToData(i)) throw DamagedArchive("its data lies beyond 2 GiB");
      DecodeEntry(archive.Stream(), sink);
    } catch (const DamagedArchive& error) {
      std::fprintf(stderr, "drs: %s is damaged: %s\n", DescribeEntry(i, entry).c_str(),
                   error.what());
      ++damaged;
    }
  }
  std::fclose(sink);
  if (damaged) {
    std::fprintf(stderr, "drs: %s: %d of %d entries damaged\n", arguments[0].c_str(), damaged,
                 archive.Count());
    return 1;
  }
  std::printf("%s: %d entries, all sound\n", arguments[0].c_str(), archive.Count());
  return 0;
}
