// Runs the codec on byte vectors for the tests; a decoding that does not end in
// DecodeDone throws DecodeRefused with its status.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct DecodeRefused {
  int Status;
};

// Decodes entry streams laid end to end in one file, each into its own vector,
// positioning the input at each stream the way the extraction does.
std::vector<Bytes> DecodeEntries(const std::vector<Bytes>& streams);
Bytes DecodeOne(const Bytes& stream);
// Where the input stood after the decoder returned.
long DecodeAndTell(const Bytes& stream);

// One decoding of the entry stream at `start` of `file`, whatever its status.
struct Decoding {
  int Status;
  Bytes Output;
  long Position; // where the input stood afterwards
};
Decoding DecodeAt(const Bytes& file, size_t start);

// Sample contents: printable text, pseudo-random bytes, long runs, and real i386
// Windows code when the machine has it (the wine32 DLLs), else more text.
Bytes EncodeOne(const Bytes& data);

// The code of a symbol as the model's tree stands, root bit first.
std::string CodeOf(int symbol);
// An entry stream by hand: the size field, then `bits` ('0'/'1') padded with zeros.
Bytes PackBits(uint32_t unpackedSize, const std::string& bits);

Bytes TextSample(size_t size, uint32_t seed);
Bytes RandomSample(size_t size, uint32_t seed);
Bytes BinarySample(size_t size);
