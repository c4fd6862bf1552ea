#include "setup_seal.h"

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "format/seal.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(file.string() + ": cannot be read");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Digest(const fs::path& archive, unsigned char (&digest)[Sha256Size]) {
  std::ifstream in(archive, std::ios::binary);
  if (!in) throw std::runtime_error(archive.string() + ": cannot be read");
  Sha256 hash;
  Sha256Start(&hash);
  char block[64 * 1024];
  while (in.read(block, sizeof block) || in.gcount() > 0)
    Sha256Add(&hash, block, static_cast<size_t>(in.gcount()));
  Sha256Finish(&hash, digest);
}

// Where the slot lies in the program's bytes: at the tag, which the program holds once;
// npos when it has none.
size_t SlotAt(const std::string& program) {
  const std::string tag(UnsealedSlot.Tag, sizeof UnsealedSlot.Tag);
  const size_t at = program.find(tag);
  if (at == std::string::npos || program.find(tag, at + 1) != std::string::npos ||
      at + sizeof(ArchiveSeal) > program.size())
    return std::string::npos;
  return at;
}

} // namespace

void SealSetup(const fs::path& setup, const fs::path& output, const fs::path& archive) {
  std::string program = ReadAll(setup);
  unsigned char digest[Sha256Size];
  Digest(archive, digest);
  const size_t at = SlotAt(program);
  if (at == std::string::npos)
    throw std::runtime_error(setup.string() +
                             ": has no place for a seal (a SETUP.EXE built before seals)");
  program.replace(at + offsetof(ArchiveSeal, Digest), Sha256Size, reinterpret_cast<char*>(digest),
                  Sha256Size);
  std::ofstream out(output, std::ios::binary);
  if (!out.write(program.data(), static_cast<std::streamsize>(program.size())) || !out.flush())
    throw std::runtime_error(output.string() + ": cannot be written");
}

std::optional<SealState> CheckSeal(const fs::path& setup, const fs::path& archive) {
  const std::string program = ReadAll(setup);
  const size_t at = SlotAt(program);
  if (at == std::string::npos) return std::nullopt;
  ArchiveSeal seal;
  std::memcpy(&seal, program.data() + at, sizeof seal);
  if (!IsSealed(seal)) return SealState::NotSealed;
  unsigned char digest[Sha256Size];
  Digest(archive, digest);
  return SealAccepts(seal, digest) ? SealState::ArchiveMatches : SealState::ArchiveDiffers;
}

const char* SealStateText(SealState state) {
  switch (state) {
  case SealState::ArchiveMatches:
    return "sealed, archive matches";
  case SealState::ArchiveDiffers:
    return "sealed, archive does not match";
  case SealState::NotSealed:
    break;
  }
  return "not sealed";
}
