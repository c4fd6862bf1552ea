// Arbitrary bytes packed and decoded back must come out identical, and two entries in
// a row must not disturb each other (the ring's tail carries over between entries).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lzhuf/encoder.h"
#include "lzhuf/lzhuf.h"

namespace {
std::vector<unsigned char> Decode(std::FILE* stream) {
  char* bytes = nullptr;
  size_t length = 0;
  std::FILE* output = open_memstream(&bytes, &length);
  if (DecodeEntry(stream, output) != DecodeDone) std::abort();
  std::fclose(output);
  std::vector<unsigned char> result(bytes, bytes + length);
  std::free(bytes);
  return result;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first half and the whole input become two entries of one stream.
  const size_t half = size / 2;
  char* packed = nullptr;
  size_t packedLength = 0;
  std::FILE* output = open_memstream(&packed, &packedLength);
  std::FILE* first = fmemopen(const_cast<uint8_t*>(data), half ? half : 1, "rb");
  std::FILE* whole = fmemopen(const_cast<uint8_t*>(data), size ? size : 1, "rb");
  if (!EncodeEntry(first, static_cast<uint32_t>(half), output)) std::abort();
  // The decoder may read a byte past an entry's last bit, so each entry is found by its
  // own position, as the archive's directory does.
  std::fflush(output);
  const long secondAt = static_cast<long>(packedLength);
  if (!EncodeEntry(whole, static_cast<uint32_t>(size), output)) std::abort();
  std::fclose(first);
  std::fclose(whole);
  std::fclose(output);

  std::FILE* input = fmemopen(packed, packedLength ? packedLength : 1, "rb");
  const std::vector<unsigned char> a = Decode(input);
  std::fseek(input, secondAt, SEEK_SET);
  const std::vector<unsigned char> b = Decode(input);
  std::fclose(input);
  std::free(packed);
  if (a.size() != half || (half && std::memcmp(a.data(), data, half) != 0)) std::abort();
  if (b.size() != size || (size && std::memcmp(b.data(), data, size) != 0)) std::abort();
  return 0;
}
