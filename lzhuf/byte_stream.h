// The byte streams that the decoder and the archive reader work on. SETUP.EXE has
// streams of its own over Win32 file handles (runtime/file_stream.h); the tools and
// the host tests use C stdio. Either way bytes come and go in blocks: the decoder
// reads ahead in blocks and gives back what it read beyond the last bit it used.
#pragma once

#if defined(NUVIK_OWN_RUNTIME)

#include "runtime/file_stream.h"

using ByteStream = FileStream;

#else

#include <cstddef>
#include <cstdio>

using ByteStream = std::FILE;

// Some of the next bytes, at most `length`; none only at the end or after a failed read.
inline size_t ReadUpTo(std::FILE* stream, void* bytes, size_t length) {
  return std::fread(bytes, 1, length, stream);
}

inline bool ReadBlock(std::FILE* stream, void* bytes, size_t length) {
  return std::fread(bytes, 1, length, stream) == length;
}

inline bool WriteBlock(std::FILE* stream, const void* bytes, size_t length) {
  return std::fwrite(bytes, 1, length, stream) == length;
}

// Moves the stream back over the last `count` bytes read.
inline bool GiveBack(std::FILE* stream, size_t count) {
  return std::fseek(stream, -static_cast<long>(count), SEEK_CUR) == 0;
}

#endif
