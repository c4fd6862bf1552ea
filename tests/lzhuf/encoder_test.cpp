#include "codec_support.h"
#include "encoder.h"
#include "lzhuf.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Contents that exercise different paths of the coder: matches everywhere, no matches
// at all, runs that overlap their own source, real machine code.
std::vector<Bytes> Corpus(size_t size) {
  Bytes mixed = TextSample(size / 2, 3);
  const Bytes random = RandomSample(size - mixed.size(), 4);
  mixed.insert(mixed.end(), random.begin(), random.end());
  return {TextSample(size, 1), RandomSample(size, 2), Bytes(size, 0), BinarySample(size), mixed};
}

TEST(Encoder, RoundTripsEverySizeAroundTheRingEdges) {
  for (size_t size :
       {0, 1, 2, 3, 4, 59, 60, 61, 62, 4035, 4036, 4037, 4095, 4096, 4097, 8192, 8193, 12289}) {
    for (const Bytes& data : Corpus(size)) {
      const Bytes stream = EncodeOne(data);
      ASSERT_EQ(DecodeOne(stream), data) << "size " << size;
    }
  }
}

TEST(Encoder, EmptyFileIsItsSizeFieldAlone) {
  EXPECT_EQ(EncodeOne({}), (Bytes{0, 0, 0, 0}));
}

TEST(Encoder, LongFilesThroughManyRebuilds) {
  // Some 100 000 symbols or more each: the tree is rebuilt several times per file.
  for (const Bytes& data : {TextSample(400000, 9), RandomSample(150000, 5), BinarySample(400000)})
    ASSERT_EQ(DecodeOne(EncodeOne(data)), data);
}

TEST(Encoder, EntriesDecodeAlikeWhateverTheRingTailHolds) {
  // Each entry leaves its first bytes in the ring tail for the next one; a stream that
  // relied on them would decode differently after another entry.
  const Bytes first = TextSample(5000, 11);
  const Bytes second = TextSample(6000, 11);
  const Bytes third = Bytes(100, ' ');
  const std::vector<Bytes> streams = {EncodeOne(first), EncodeOne(second), EncodeOne(third)};
  const std::vector<Bytes> out = DecodeEntries(streams);
  EXPECT_EQ(out[0], first);
  EXPECT_EQ(out[1], second);
  EXPECT_EQ(out[2], third);
  EXPECT_EQ(DecodeEntries({streams[2]})[0], third);
}

TEST(Encoder, CompressesWhatRepeats) {
  // A run costs one 60-byte match per 60 bytes, some ten bits each.
  EXPECT_LT(EncodeOne(Bytes(100000, 0)).size(), 2500u);
  EXPECT_LT(EncodeOne(TextSample(100000, 2)).size(), 40000u);
  // Incompressible data costs little more than the bytes themselves.
  EXPECT_LT(EncodeOne(RandomSample(100000, 2)).size(), 104000u);
}

TEST(Encoder, EveryCutOfAStreamIsRefusedOrTheWholeFile) {
  const Bytes data = TextSample(400, 21);
  const Bytes stream = EncodeOne(data);
  for (size_t n = 4; n < stream.size(); ++n) {
    const Bytes cut(stream.begin(), stream.begin() + n);
    try {
      EXPECT_EQ(DecodeOne(cut), data) << "cut at " << n;
    } catch (const DecodeRefused& refused) {
      EXPECT_EQ(refused.Status, DecodeStreamEnded);
    }
  }
}

TEST(Encoder, ShortInputAndFailedWritesAreReported) {
  std::FILE* in = std::tmpfile();
  std::fputs("only this", in);
  std::rewind(in);
  std::FILE* out = std::tmpfile();
  EXPECT_FALSE(EncodeEntry(in, 100, out));
  std::fclose(out);

  std::rewind(in);
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  std::setvbuf(full, nullptr, _IONBF, 0);
  EXPECT_FALSE(EncodeEntry(in, 9, full));
  std::fclose(full);
  std::fclose(in);
}

} // namespace
