// The byte streams that the decoder and the archive reader work on. SETUP.EXE has
// streams of its own over Win32 file handles (runtime/file_stream.h); the tools and
// the host tests use C stdio. Either way every byte goes through an inline call, so
// the decoder's inner loop makes no call per byte.
#pragma once

#if defined(NUVIK_OWN_RUNTIME)

#include "runtime/file_stream.h"

using ByteStream = FileStream;

#else

#include <cstddef>
#include <cstdio>

using ByteStream = std::FILE;

inline constexpr int StreamEnd = EOF;

// glibc's unlocked calls skip a lock per byte; the Windows C runtime has none.
#if defined(__GLIBC__)
inline int ReadByte(std::FILE* stream) {
  return getc_unlocked(stream);
}
inline int WriteByte(std::FILE* stream, int byte) {
  return putc_unlocked(byte, stream);
}
#else
inline int ReadByte(std::FILE* stream) {
  return getc(stream);
}
inline int WriteByte(std::FILE* stream, int byte) {
  return putc(byte, stream);
}
#endif

inline bool ReadBlock(std::FILE* stream, void* bytes, size_t length) {
  return std::fread(bytes, 1, length, stream) == length;
}

#endif
