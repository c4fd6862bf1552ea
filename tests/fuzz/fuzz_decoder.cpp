// Arbitrary bytes as one entry stream: the decoder must end in a clean refusal or in
// exactly UnpackedSize bytes, never read or write out of bounds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "lzhuf/lzhuf.h"

namespace {
size_t Written;

ssize_t CountWrite(void*, const char*, size_t size) {
  Written += size;
  return static_cast<ssize_t>(size);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Without enough input for the size field there is nothing to decode.
  if (size < 4) return 0;
  const uint32_t unpackedSize =
      data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
  // Every symbol costs at least one bit and yields at most 60 bytes: a larger size
  // can only end in a refusal, which shorter sizes reach as well, faster.
  if (unpackedSize > 60 * 8 * (size - 4) + 60) return 0;
  std::FILE* input = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  Written = 0;
  std::FILE* output = fopencookie(nullptr, "wb", {nullptr, CountWrite, nullptr, nullptr});
  const bool refused = DecodeEntry(input, output) != DecodeDone;
  std::fflush(output);
  std::fclose(output);
  std::fclose(input);
  if (!refused && Written != unpackedSize) std::abort();
  return 0;
}
