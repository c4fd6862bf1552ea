#include "codec_support.h"

#include "encoder.h"
#include "lzhuf.h"
#include "model.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File TempWith(const Bytes& content) {
  File f(std::tmpfile());
  if (!f) throw std::runtime_error("tmpfile");
  if (!content.empty() && std::fwrite(content.data(), content.size(), 1, f.get()) != 1)
    throw std::runtime_error("write tmpfile");
  std::rewind(f.get());
  return f;
}

Bytes ReadAll(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  Bytes out;
  int c;
  while ((c = std::getc(f)) != EOF)
    out.push_back(static_cast<uint8_t>(c));
  return out;
}

void Decode(std::FILE* input, std::FILE* output) {
  const int status = DecodeEntry(input, output);
  if (status != DecodeDone) throw DecodeRefused{status};
}

} // namespace

std::vector<Bytes> DecodeEntries(const std::vector<Bytes>& streams) {
  Bytes archive;
  for (const Bytes& s : streams)
    archive.insert(archive.end(), s.begin(), s.end());
  File in = TempWith(archive);
  std::vector<Bytes> out;
  long start = 0;
  for (const Bytes& s : streams) {
    std::fseek(in.get(), start, SEEK_SET);
    File target(std::tmpfile());
    Decode(in.get(), target.get());
    out.push_back(ReadAll(target.get()));
    start += static_cast<long>(s.size());
  }
  return out;
}

Bytes DecodeOne(const Bytes& stream) {
  return DecodeEntries({stream}).front();
}

long DecodeAndTell(const Bytes& stream) {
  File in = TempWith(stream);
  File target(std::tmpfile());
  Decode(in.get(), target.get());
  return std::ftell(in.get());
}

Decoding DecodeAt(const Bytes& file, size_t start) {
  File in = TempWith(file);
  File target(std::tmpfile());
  std::fseek(in.get(), static_cast<long>(start), SEEK_SET);
  const int status = DecodeEntry(in.get(), target.get());
  const long position = std::ftell(in.get());
  return {status, ReadAll(target.get()), position};
}

Bytes EncodeOne(const Bytes& data) {
  File in = TempWith(data);
  File out(std::tmpfile());
  if (!EncodeEntry(in.get(), static_cast<uint32_t>(data.size()), out.get()))
    throw std::runtime_error("EncodeEntry failed");
  return ReadAll(out.get());
}

std::string CodeOf(int symbol) {
  std::string bits;
  int n = NodeParent[NodeCount + symbol];
  while (n != RootNode) {
    const int parent = NodeParent[n];
    bits.insert(bits.begin(), n == NodeChild[parent] ? '0' : '1');
    n = parent;
  }
  return bits;
}

Bytes PackBits(uint32_t unpackedSize, const std::string& bits) {
  Bytes out;
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(unpackedSize >> (8 * i)));
  for (size_t i = 0; i < bits.size(); i += 8) {
    uint8_t byte = 0;
    for (size_t k = 0; k < 8; ++k)
      byte = static_cast<uint8_t>(byte << 1 | (i + k < bits.size() && bits[i + k] == '1'));
    out.push_back(byte);
  }
  return out;
}

Bytes TextSample(size_t size, uint32_t seed) {
  static const char* const words[] = {
      "the ",  "serial ", "port ",    "setup ", "COM1: ", "9600 ", "baud ", "modem ",
      "file ", "\r\n",    "install ", "Nuvik ", "data ",  "line ", "of "};
  Bytes out;
  uint32_t x = seed * 2654435761u + 1;
  while (out.size() < size) {
    x = x * 1103515245u + 12345u;
    const char* w = words[(x >> 16) % std::size(words)];
    for (const char* p = w; *p && out.size() < size; ++p)
      out.push_back(static_cast<uint8_t>(*p));
  }
  return out;
}

Bytes RandomSample(size_t size, uint32_t seed) {
  Bytes out(size);
  uint64_t x = seed + 0x9E3779B97F4A7C15ull;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    b = static_cast<uint8_t>(x >> 24);
  }
  return out;
}

Bytes BinarySample(size_t size) {
  namespace fs = std::filesystem;
  const fs::path dir = "/usr/lib/i386-linux-gnu/wine/i386-windows";
  Bytes out;
  std::error_code ec;
  for (const char* name : {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll"}) {
    std::ifstream f(dir / name, std::ios::binary);
    out.insert(out.end(), std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    if (out.size() >= size) break;
  }
  if (out.size() < size) {
    const Bytes text = TextSample(size - out.size(), 7);
    out.insert(out.end(), text.begin(), text.end());
  }
  out.resize(size);
  return out;
}
