#include "setup_binary.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

// Offsets into the PE headers, counted from the "PE\0\0" signature.
constexpr uint32_t MachineAt = 4;
constexpr uint32_t OptionalHeaderAt = 24;
constexpr uint32_t SubsystemVersionAt = OptionalHeaderAt + 48;
constexpr uint32_t SubsystemAt = OptionalHeaderAt + 68;
constexpr uint32_t HeadersEnd = SubsystemAt + 2;

uint32_t Little(const std::string& bytes, size_t at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

} // namespace

void CheckSetupBinary(const std::filesystem::path& file) {
  const std::string what = file.string() + ": not a SETUP.EXE for a medium: ";
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(file.string() + ": cannot be read");
  std::string head(4096, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  if (head.size() < 0x40 || head.compare(0, 2, "MZ") != 0)
    throw std::runtime_error(what + "it is no Windows program");
  const uint32_t pe = Little(head, 0x3C, 4);
  if (pe > head.size() - HeadersEnd || head.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
    throw std::runtime_error(what + "it is a DOS program, not a Windows one");
  if (Little(head, pe + MachineAt, 2) != 0x14C)
    throw std::runtime_error(what + "it is not built for i386 (32-bit x86)");
  if (Little(head, pe + OptionalHeaderAt, 2) != 0x10B)
    throw std::runtime_error(what + "it is not a 32-bit program");
  if (Little(head, pe + SubsystemAt, 2) != 2)
    throw std::runtime_error(what + "it is not a Windows GUI program");
  const uint32_t major = Little(head, pe + SubsystemVersionAt, 2);
  const uint32_t minor = Little(head, pe + SubsystemVersionAt + 2, 2);
  if (major > 4 || (major == 4 && minor > 0))
    throw std::runtime_error(what + "its subsystem version is " + std::to_string(major) + "." +
                             std::to_string(minor) + ", and Windows 95 starts none above 4.0");
}
