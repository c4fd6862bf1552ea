// The checksums against their standards' known answers.
#include <gtest/gtest.h>

#include <string>

#include "checksum/crc32.h"
#include "checksum/sha256.h"

namespace {

std::string Hex(const unsigned char* bytes, int length) {
  std::string hex;
  for (int i = 0; i < length; ++i)
    hex += "0123456789abcdef"[bytes[i] >> 4], hex += "0123456789abcdef"[bytes[i] & 15];
  return hex;
}

TEST(Checksums, Crc32KnownAnswerInOneGoAndInPieces) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc32(0, check.data(), check.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32(Crc32(0, check.data(), 2), check.data() + 2, 7), 0xCBF43926u);
  EXPECT_EQ(Crc32(0, "", 0), 0u);
}

// Long runs take the wide paths (tables many bytes a step, or carry-less folding): each
// must give what a byte at a time gives, whatever the length and alignment.
TEST(Checksums, Crc32WidePathsMatchOneByteAtATime) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i)
    bytes += static_cast<char>(i * 131 + (i >> 3));
  for (size_t offset : {0, 1, 7})
    for (size_t length : {15, 16, 63, 64, 65, 79, 80, 127, 128, 1000, 4099}) {
      uint32_t single = 0;
      for (size_t i = 0; i < length; ++i)
        single = Crc32(single, bytes.data() + offset + i, 1);
      EXPECT_EQ(Crc32(0, bytes.data() + offset, length), single) << offset << " " << length;
      EXPECT_EQ(Crc32(Crc32(0, bytes.data() + offset, length / 2),
                      bytes.data() + offset + length / 2, length - length / 2),
                single)
          << offset << " " << length;
    }
}

TEST(Checksums, Sha256KnownAnswers) {
  const std::string million(1000000, 'a');
  const struct {
    std::string Message;
    const char* Digest;
  } vectors[] = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [message, digest] : vectors) {
    Sha256 hash;
    Sha256Start(&hash);
    // In uneven pieces, as the copy hands it blocks.
    for (size_t at = 0; at < message.size(); at += 4093)
      Sha256Add(&hash, message.data() + at, std::min<size_t>(4093, message.size() - at));
    unsigned char out[Sha256Size];
    Sha256Finish(&hash, out);
    EXPECT_EQ(Hex(out, Sha256Size), digest) << message.substr(0, 10);
  }
}

} // namespace
