#include "archive_writer.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "checksum/crc32.h"
#include "lzhuf/encoder.h"
#include "rule_texts.h"

const char PackerSignature[54] = "Nuvik setup archive (LZHUF entries) written by drs\r\n\x1a";

namespace {

constexpr uint64_t BootstrapPositionLimit = uint64_t{1} << 31;
constexpr uint64_t FormatPositionLimit = uint64_t{1} << 32;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::string Describe(size_t index, const WriterEntry& entry) {
  return DescribeEntry(static_cast<int>(index), ViewOf(entry));
}

// Every entry must be written, or only make its folder, on both families; the NT
// family's leaving out .DL_ files is the one omission that is meant. Where the data
// lies is checked as it is written.
void CheckInstalls(size_t index, const WriterEntry& entry) {
  const ArchiveEntry view = ViewOf(entry);
  for (const bool ntFamily : {false, true}) {
    const EntryDecision decision = DecideEntry(view, ntFamily, 0, nullptr);
    if (decision.Action == EntryAction::Stop || (decision.Action == EntryAction::PassOver &&
                                                 decision.Reason != EntryReason::NtSkipsDlFiles))
      throw ArchiveRefused(Describe(index, entry) + ": " + ReasonText(decision.Reason));
  }
}

} // namespace

void CheckEntries(const std::vector<WriterEntry>& entries, ArchiveLimits limits) {
  const size_t countLimit = limits == ArchiveLimits::Bootstrap ? MaxEntries : MaxStoredEntries;
  if (entries.size() > countLimit)
    throw ArchiveRefused(std::to_string(entries.size()) + " entries; an archive holds at most " +
                         std::to_string(countLimit));
  for (size_t i = 0; i < entries.size(); ++i) {
    const WriterEntry& entry = entries[i];
    if (entry.Dir.size() > MaxTextLength || entry.Name.size() > MaxTextLength)
      throw ArchiveRefused(Describe(i, entry) + ": a folder or file name is longer than " +
                           std::to_string(MaxTextLength) + " bytes");
    if (limits == ArchiveLimits::Bootstrap) CheckInstalls(i, entry);
  }
}

namespace {

// The head and the directory, then DataBase; with checksums, the entries' CRCs and the
// signature area that tells of them.
std::string Directory(const std::vector<WriterEntry>& entries, const std::vector<uint32_t>& offsets,
                      const std::vector<uint32_t>* crcs, uint32_t dataBase) {
  std::string bytes(PackerSignature, sizeof PackerSignature);
  AppendLittleEndian(bytes, 0, 2);
  AppendLittleEndian(bytes, static_cast<uint32_t>(entries.size()), 2);
  for (size_t i = 0; i < entries.size(); ++i) {
    const WriterEntry& entry = entries[i];
    AppendLittleEndian(bytes, offsets[i], 4);
    AppendLittleEndian(bytes, crcs ? (*crcs)[i] : 0, 4);
    AppendLittleEndian(bytes, entry.DosTime, 2);
    AppendLittleEndian(bytes, entry.DosDate, 2);
    AppendLittleEndian(bytes, static_cast<uint32_t>(entry.Dir.size()), 1);
    AppendLittleEndian(bytes, static_cast<uint32_t>(entry.Name.size()), 1);
    bytes += entry.Dir;
    bytes += entry.Name;
  }
  AppendLittleEndian(bytes, dataBase, 4);
  if (crcs) {
    std::string signature(ChecksumTag, ChecksumTagLength);
    signature.resize(DirectoryCrcAt, '\0');
    AppendLittleEndian(signature,
                       Crc32(0, bytes.data() + SignatureLength, bytes.size() - SignatureLength), 4);
    bytes.replace(0, SignatureLength, signature);
  }
  return bytes;
}

void Write(std::FILE* output, const std::string& bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), output) != bytes.size())
    throw ArchiveRefused(std::string("cannot write the archive: ") + std::strerror(errno));
}

uint64_t Position(std::FILE* output) {
  const auto position = ftello(output);
  if (position < 0) throw ArchiveRefused("the archive's output cannot be positioned");
  return static_cast<uint64_t>(position);
}

FileHandle OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
  return FileHandle(_wfopen(path.c_str(), L"rb"));
#else
  return FileHandle(std::fopen(path.c_str(), "rb"));
#endif
}

// Called with the bytes of the current entry read so far.
using ReadProgress = std::function<void(uint64_t)>;

#ifdef __GLIBC__
// The encoder reads the file through this layer, which counts what it hands on, so that
// progress moves inside one large file too. (Elsewhere progress moves entry by entry.)
struct CountedInput {
  FileHandle File;
  const ReadProgress& Progress;
  uint64_t Read = 0;
  uint64_t Told = 0;
};

ssize_t ReadCounted(void* cookie, char* buffer, size_t size) {
  auto* input = static_cast<CountedInput*>(cookie);
  const size_t read = std::fread(buffer, 1, size, input->File.get());
  if (read == 0 && std::ferror(input->File.get())) return -1;
  input->Read += read;
  constexpr uint64_t Step = 1 << 20;
  if (input->Read - input->Told >= Step) {
    input->Told = input->Read;
    input->Progress(input->Read);
  }
  return static_cast<ssize_t>(read);
}

int CloseCounted(void*) {
  return 0;
}

FileHandle Counted(FileHandle file, const ReadProgress& progress, CountedInput& counted) {
  if (!file || !progress) return file;
  counted.File = std::move(file);
  return FileHandle(fopencookie(
      &counted, "rb", cookie_io_functions_t{ReadCounted, nullptr, nullptr, CloseCounted}));
}
#endif

void EncodeFile(size_t index, const WriterEntry& entry, std::FILE* output,
                [[maybe_unused]] const ReadProgress& progress, uint32_t* crc) {
  FileHandle input = OpenForReading(entry.File);
#ifdef __GLIBC__
  CountedInput counted{nullptr, progress};
  input = Counted(std::move(input), progress, counted);
#endif
  if (!input)
    throw ArchiveRefused(Describe(index, entry) + ": cannot read " + entry.File.string() + ": " +
                         std::strerror(errno));
  if (entry.FileSize > UINT32_MAX)
    throw ArchiveRefused(Describe(index, entry) + ": a file of 4 GiB or more cannot be an entry");
  if (!EncodeEntry(input.get(), static_cast<uint32_t>(entry.FileSize), output, crc)) {
    if (std::ferror(output))
      throw ArchiveRefused(std::string("cannot write the archive: ") + std::strerror(errno));
    throw ArchiveRefused(Describe(index, entry) + ": " + entry.File.string() +
                         " became shorter or unreadable while it was packed");
  }
  if (std::fgetc(input.get()) != EOF)
    throw ArchiveRefused(Describe(index, entry) + ": " + entry.File.string() +
                         " grew while it was packed");
}

void EncodeBytes(const WriterEntry& entry, std::FILE* output, uint32_t* crc) {
  FileHandle input(std::tmpfile());
  if (!input) throw ArchiveRefused(std::string("no temporary file: ") + std::strerror(errno));
  if (std::fwrite(entry.Data.data(), 1, entry.Data.size(), input.get()) != entry.Data.size() ||
      std::fflush(input.get()) != 0)
    throw ArchiveRefused(std::string("cannot write a temporary file: ") + std::strerror(errno));
  std::rewind(input.get());
  if (entry.Data.size() > UINT32_MAX)
    throw ArchiveRefused("an entry of 4 GiB or more cannot be stored");
  if (!EncodeEntry(input.get(), static_cast<uint32_t>(entry.Data.size()), output, crc))
    throw ArchiveRefused(std::string("cannot write the archive: ") + std::strerror(errno));
}

uint64_t EntryInputSize(const WriterEntry& entry) {
  switch (entry.Source) {
  case EntrySource::Bytes:
    return entry.Data.size();
  case EntrySource::File:
    return entry.FileSize;
  case EntrySource::EncodedStream:
    break;
  }
  return 0;
}

} // namespace

void AppendLittleEndian(std::string& bytes, uint32_t value, int width) {
  for (int i = 0; i < width; ++i)
    bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

ArchiveEntry ViewOf(const WriterEntry& entry) {
  ArchiveEntry view{};
  view.Dir = const_cast<char*>(entry.Dir.c_str());
  view.Name = const_cast<char*>(entry.Name.c_str());
  view.DirLength = static_cast<uint8_t>(entry.Dir.size());
  view.NameLength = static_cast<uint8_t>(entry.Name.size());
  view.DosTime = entry.DosTime;
  view.DosDate = entry.DosDate;
  return view;
}

std::string EntryPath(const ArchiveEntry& entry) {
  char path[2 * TextBufferSize];
  JoinEntryPath(entry, path, sizeof path);
  return path;
}

std::string DescribeEntry(int index, const ArchiveEntry& entry) {
  return "entry " + std::to_string(index + 1) + " (" + EntryPath(entry) + ")";
}

void WriteArchive(std::FILE* output, const std::vector<WriterEntry>& entries, ArchiveLimits limits,
                  EntryChecksums checksums,
                  const std::function<void(const WriteProgress&)>& progress) {
  CheckEntries(entries, limits);
  const bool carried = checksums == EntryChecksums::Carried;
  for (size_t i = 0; i < entries.size(); ++i)
    if (carried && entries[i].Source == EntrySource::EncodedStream)
      throw ArchiveRefused(Describe(i, entries[i]) +
                           ": a stream stored as it is has no checksum to carry");
  const uint64_t positionLimit =
      limits == ArchiveLimits::Bootstrap ? BootstrapPositionLimit : FormatPositionLimit;

  std::vector<uint32_t> offsets(entries.size(), 0), crcs(entries.size(), 0);
  const std::string placeholder = Directory(entries, offsets, nullptr, 0);
  const uint64_t dataBase = placeholder.size();
  Write(output, placeholder);

  WriteProgress done{0, entries.size(), 0, dataBase};
  for (size_t i = 0; i < entries.size(); ++i) {
    const WriterEntry& entry = entries[i];
    offsets[i] = static_cast<uint32_t>(done.BytesWritten - dataBase);
    switch (entry.Source) {
    case EntrySource::Bytes:
      EncodeBytes(entry, output, &crcs[i]);
      break;
    case EntrySource::File:
      EncodeFile(
          i, entry, output,
          [&](uint64_t read) {
            if (!progress) return;
            WriteProgress partial = done;
            partial.BytesRead += read;
            partial.BytesWritten = Position(output);
            progress(partial);
          },
          &crcs[i]);
      break;
    case EntrySource::EncodedStream:
      Write(output, entry.Data);
      break;
    }
    done.BytesWritten = Position(output);
    // The bootstrap seeks to DataBase + Offset as a signed 32-bit position; keeping the
    // whole archive below the limit also keeps every stream's tail in reach.
    if (done.BytesWritten > positionLimit)
      throw ArchiveRefused(Describe(i, entry) + ": the archive would reach " +
                           (limits == ArchiveLimits::Bootstrap ? "2 GiB" : "4 GiB"));
    done.BytesRead += EntryInputSize(entry);
    ++done.EntriesDone;
    if (progress) progress(done);
  }

  if (std::fseek(output, 0, SEEK_SET) != 0)
    throw ArchiveRefused("the archive's output cannot be positioned");
  Write(output,
        Directory(entries, offsets, carried ? &crcs : nullptr, static_cast<uint32_t>(dataBase)));
  if (std::fflush(output) != 0)
    throw ArchiveRefused(std::string("cannot write the archive: ") + std::strerror(errno));
}

std::string BuildArchive(const std::vector<WriterEntry>& entries, ArchiveLimits limits,
                         EntryChecksums checksums) {
  FileHandle file(std::tmpfile());
  if (!file) throw ArchiveRefused(std::string("no temporary file: ") + std::strerror(errno));
  WriteArchive(file.get(), entries, limits, checksums);
  if (fseeko(file.get(), 0, SEEK_END) != 0)
    throw ArchiveRefused("cannot read the temporary archive back");
  std::string bytes(Position(file.get()), '\0');
  std::rewind(file.get());
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
    throw ArchiveRefused("cannot read the temporary archive back");
  return bytes;
}
