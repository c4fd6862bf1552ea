// Our streams against an independent "-lh1-" coder (jlha's, run as a black box), both
// ways, over files of every kind and of the sizes where the ring and the tree turn.
#include "codec_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Sample {
  std::string name;
  Bytes data;
};

std::vector<Sample> CompatCorpus() {
  std::vector<Sample> out;
  for (size_t size : {0, 1, 3, 59, 60, 61, 4035, 4036, 4095, 4096, 4097}) {
    const std::string n = std::to_string(size);
    out.push_back({"text" + n, TextSample(size, static_cast<uint32_t>(size))});
    out.push_back({"random" + n, RandomSample(size, static_cast<uint32_t>(size))});
    out.push_back({"zeros" + n, Bytes(size, 0)});
    out.push_back({"binary" + n, BinarySample(size)});
  }
  // Long enough for many tree rebuilds each.
  out.push_back({"longtext", TextSample(400000, 5)});
  out.push_back({"longbinary", BinarySample(600000)});
  out.push_back({"longrandom", RandomSample(200000, 6)});
  return out;
}

class JlhaCompat : public testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("lzhuf-jlha-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Path(const std::string& name) const { return dir_ / name; }

  static void Write(const fs::path& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
  }

  static Bytes Read(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

  // One JVM for the whole batch: its start-up costs more than the work.
  static void RunJlha(const std::string& command,
                      const std::vector<std::pair<fs::path, fs::path>>& pairs) {
    std::string line = std::string(JLHA_LH1) + " " + command;
    for (const auto& [in, out] : pairs)
      line += " '" + in.string() + "' '" + out.string() + "'";
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
  }

  fs::path dir_;
};

TEST_F(JlhaCompat, OurStreamsDecodeWithJlha) {
  const std::vector<Sample> corpus = CompatCorpus();
  std::vector<std::pair<fs::path, fs::path>> pairs;
  for (const Sample& s : corpus) {
    Write(Path(s.name + ".ours"), EncodeOne(s.data));
    pairs.emplace_back(Path(s.name + ".ours"), Path(s.name + ".back"));
  }
  RunJlha("decode", pairs);
  for (const Sample& s : corpus)
    EXPECT_EQ(Read(Path(s.name + ".back")), s.data) << s.name;
}

TEST_F(JlhaCompat, JlhaStreamsDecodeWithOursAlsoOneAfterAnother) {
  const std::vector<Sample> corpus = CompatCorpus();
  std::vector<std::pair<fs::path, fs::path>> pairs;
  for (const Sample& s : corpus) {
    Write(Path(s.name), s.data);
    pairs.emplace_back(Path(s.name), Path(s.name + ".jlha"));
  }
  RunJlha("encode", pairs);
  std::vector<Bytes> streams;
  for (const Sample& s : corpus) {
    streams.push_back(Read(Path(s.name + ".jlha")));
    EXPECT_EQ(DecodeOne(streams.back()), s.data) << s.name;
  }
  // In one file, each entry after another one, as the bootstrap reads them.
  const std::vector<Bytes> out = DecodeEntries(streams);
  for (size_t i = 0; i < corpus.size(); ++i)
    EXPECT_EQ(out[i], corpus[i].data) << corpus[i].name;
}

} // namespace
