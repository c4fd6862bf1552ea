#include "codec_support.h"
#include "lzhuf.h"
#include "model.h"
#include "reference_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const Bytes Abc = {0x03, 0, 0, 0, 0xF6, 0xFB, 0xBD, 0xE0};
const Bytes TenXAfterX = {0x0B, 0, 0, 0, 0x04, 0x93, 0x00, 0x00};
const Bytes FiveSpaces = {0x05, 0, 0, 0, 0x8E, 0x00, 0x00};

int StatusOfDecoding(const Bytes& stream) {
  try {
    DecodeOne(stream);
  } catch (const DecodeRefused& refused) {
    return refused.Status;
  }
  return DecodeDone;
}

TEST(Decoder, KnownStreams) {
  EXPECT_EQ(DecodeOne(Abc), (Bytes{0x61, 0x62, 0x63}));
  EXPECT_EQ(DecodeOne(TenXAfterX), Bytes(11, 0x78));
  // The first match copies from the initial fill of the ring.
  EXPECT_EQ(DecodeOne(FiveSpaces), Bytes(5, 0x20));
  // Offset code 00000001 0: upper value 0, lower bits 000010, so offset 2.
  ResetModel();
  const std::string literals = CodeOf('a');
  AdaptModel('a');
  const std::string b = CodeOf('b');
  AdaptModel('b');
  const std::string c = CodeOf('c');
  AdaptModel('c');
  const std::string match = CodeOf(256 + 3 - 3);
  EXPECT_EQ(DecodeOne(PackBits(6, literals + b + c + match + "000000010")),
            (Bytes{'a', 'b', 'c', 'a', 'b', 'c'}));
}

TEST(Decoder, EmptyEntryReadsOnlyItsSizeField) {
  EXPECT_TRUE(DecodeOne({0, 0, 0, 0, 0xFF, 0xFF}).empty());
  EXPECT_EQ(DecodeAndTell({0, 0, 0, 0, 0xFF, 0xFF}), 4);
}

TEST(Decoder, ReadAheadStopsOneByteBeyondTheLastBitUsed) {
  // The five-spaces stream uses 17 bits, so three bytes after the size field.
  Bytes padded = FiveSpaces;
  padded.insert(padded.end(), {0xAA, 0xAA, 0xAA});
  EXPECT_LE(DecodeAndTell(padded), 4 + 3 + 1);
}

TEST(Decoder, SizeFieldCutShortIsAFileError) {
  for (size_t n = 0; n < 4; ++n)
    EXPECT_EQ(StatusOfDecoding(Bytes(Abc.begin(), Abc.begin() + n)), DecodeNoSize) << n;
}

TEST(Decoder, StreamCutShortIsAFileErrorNeverMadeUpBytes) {
  // A stream that ends exactly at the end of the file is sound: the read-ahead past it
  // supplies bits that no code uses.
  for (const Bytes& stream : {Abc, TenXAfterX, FiveSpaces}) {
    const Bytes whole = DecodeOne(stream);
    for (size_t n = 4; n < stream.size(); ++n) {
      const Bytes cut(stream.begin(), stream.begin() + n);
      try {
        EXPECT_EQ(DecodeOne(cut), whole) << "cut at " << n;
      } catch (const DecodeRefused& refused) {
        EXPECT_EQ(refused.Status, DecodeStreamEnded);
      }
    }
  }
  // The zero bits that an exhausted input supplies would decode to bytes 0x00.
  EXPECT_EQ(StatusOfDecoding({0x03, 0, 0, 0}), DecodeStreamEnded);
  EXPECT_EQ(StatusOfDecoding({0x03, 0, 0, 0, 0xF6}), DecodeStreamEnded);
}

TEST(Decoder, LastMatchPastTheSizeIsCutYetFeedsTheRingTail) {
  // One literal and a ten-byte match for a five-byte file.
  Bytes five = TenXAfterX;
  five[0] = 5;
  ResetModel();
  // The next entry opens with an 11-byte match at offset 4095, the ring position its
  // own first byte goes to, which still holds the previous entry's first bytes.
  const Bytes next = PackBits(11, CodeOf(256 + 11 - 3) + "11111111" + "111111");
  const std::vector<Bytes> out = DecodeEntries({five, next});
  EXPECT_EQ(out[0], Bytes(5, 0x78));
  EXPECT_EQ(out[1], Bytes(11, 0x78));
}

TEST(Decoder, FailedWriteIsADiskError) {
  ResetModel();
  std::FILE* in = std::tmpfile();
  const Bytes big = PackBits(100, CodeOf(256 + 60 - 3) + "000000000");
  std::fwrite(big.data(), big.size(), 1, in);
  std::rewind(in);
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  std::setvbuf(full, nullptr, _IONBF, 0);
  EXPECT_EQ(DecodeEntry(in, full), DecodeWriteFailed);
  std::fclose(full);
  std::fclose(in);
}

// The ring's positions 4036 to 4095, which the next entry inherits, copied out by an
// entry of one match at offset 4095: it reads each position just before writing it.
Bytes RingTailProbe() {
  ResetModel();
  return PackBits(MaxMatch, CodeOf(256 + MaxMatch - 3) + "11111111" + "111111");
}

// Random streams and real ones cut, with bits flipped or whole, alone at the end of
// the file or with more behind them: the same status, bytes, input position and ring
// tail for the next entry as the plain decoder.
TEST(Decoder, AgreesWithThePlainDecoderOnSoundDamagedAndRandomStreams) {
  const Bytes probe = RingTailProbe();
  const std::vector<Bytes> sound = {EncodeOne(TextSample(3000, 5)), EncodeOne(BinarySample(20000)),
                                    EncodeOne(RandomSample(2000, 8)),
                                    EncodeOne(TextSample(200000, 6))};
  ReferenceDecoder reference;
  uint64_t x = 1;
  auto below = [&x](size_t bound) {
    x = x * 6364136223846793005u + 1442695040888963407u;
    return static_cast<size_t>((x >> 33) % bound);
  };
  for (int round = 0; round < 2000; ++round) {
    // Every 40th a long one: rebuilds, and output in several blocks.
    const bool isLong = round % 40 < 2;
    Bytes stream;
    if (round % 2) {
      const uint32_t size = static_cast<uint32_t>(isLong ? 300000 : 1 + below(6000));
      stream = PackBits(size, "");
      const Bytes bits = RandomSample(isLong ? 50000 : below(1500), round);
      stream.insert(stream.end(), bits.begin(), bits.end());
    } else {
      stream = sound[isLong ? 3 : below(3)];
      const size_t damage = below(4);
      if (damage & 1) stream[4 + below(stream.size() - 4)] ^= static_cast<uint8_t>(1 << below(8));
      if (damage & 2) stream.resize(below(stream.size() + 1));
    }
    Bytes file = RandomSample(below(3) * 40, round + 1);
    const size_t start = file.size();
    file.insert(file.end(), stream.begin(), stream.end());
    if (round % 3 == 0) {
      const Bytes more = RandomSample(below(100), round + 2);
      file.insert(file.end(), more.begin(), more.end());
    }
    const Decoding got = DecodeAt(file, start);
    const Decoding want = reference.Decode(file, start);
    ASSERT_EQ(got.Status, want.Status) << "round " << round;
    ASSERT_EQ(got.Output, want.Output) << "round " << round;
    ASSERT_EQ(got.Position, want.Position) << "round " << round;
    ASSERT_EQ(DecodeAt(probe, 0).Output, reference.Decode(probe, 0).Output) << "round " << round;
  }
}

} // namespace
