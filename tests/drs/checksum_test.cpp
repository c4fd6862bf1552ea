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
