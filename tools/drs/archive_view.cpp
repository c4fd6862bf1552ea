#include "archive_view.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

ArchiveView::ArchiveView(const std::string& path) : Stream_(std::fopen(path.c_str(), "rb")) {
  if (!Stream_) throw DamagedArchive(path + ": " + std::strerror(errno));
  EntryTable = static_cast<ArchiveEntry*>(std::malloc(sizeof(ArchiveEntry) * MaxEntries));
  if (!EntryTable) {
    std::fclose(Stream_);
    throw DamagedArchive("Memory error");
  }
  try {
    ReadArchiveDirectory(Stream_);
  } catch (const DamagedArchive& refusal) {
    Close();
    // The reader speaks the bootstrap's terse language; say what it means here.
    if (std::strcmp(refusal.what(), "File error !!") == 0)
      throw DamagedArchive(path + ": the head or directory is cut short, or lists more than " +
                           std::to_string(MaxEntries) + " entries");
    throw DamagedArchive(path + ": " + refusal.what());
  }
}

ArchiveView::~ArchiveView() {
  Close();
}

void ArchiveView::Close() {
  ReleaseEntryTexts();
  std::free(EntryTable);
  EntryTable = nullptr;
  EntryCount = 0;
  std::fclose(Stream_);
}

bool ArchiveView::SeekToData(int index) const {
  const uint32_t position = DataBase + Entry(index).Offset;
  if (position >= uint32_t{1} << 31) return false;
  return fseeko(Stream_, static_cast<off_t>(position), SEEK_SET) == 0;
}

bool ArchiveView::ReadUnpackedSize(int index, uint32_t* size) const {
  unsigned char bytes[4];
  if (!SeekToData(index) || std::fread(bytes, 1, sizeof bytes, Stream_) != sizeof bytes)
    return false;
  *size = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
          static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return true;
}

std::string EntryPath(const ArchiveEntry& entry) {
  const std::string dir = entry.Dir;
  const std::string name = entry.Name;
  if (dir.empty()) return name;
  return dir + "\\" + name;
}

std::string DescribeEntry(int index, const ArchiveEntry& entry) {
  return "entry " + std::to_string(index + 1) + " (" + EntryPath(entry) + ")";
}

bool SkippedOnNt(const ArchiveEntry& entry) {
  std::string name = entry.Name;
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return name.find(".DL_") != std::string::npos;
}
