// The matching encoder: writes entry streams that the decoder reads back byte-exact.
#pragma once

#include <cstdint>
#include <cstdio>

// Encodes `size` bytes read from `input` as one entry stream (UnpackedSize, then the
// bit stream, its last byte padded with zero bits) on `output`. Streams its input:
// memory does not grow with `size`. Returns false when the input comes up short or
// a write fails. With `crc`, sets it to the CRC-32 of the bytes encoded.
bool EncodeEntry(std::FILE* input, uint32_t size, std::FILE* output, uint32_t* crc = nullptr);
