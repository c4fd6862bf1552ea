// Buffered byte streams over Win32 file handles: the archive the bootstrap reads and the
// files it writes. A byte comes or goes through an inline call that touches only the
// buffer; the system is called once per buffer.
#pragma once

#include <windows.h>

// What ReadByte and WriteByte return instead of a byte.
inline constexpr int StreamEnd = -1;

struct FileStream {
  unsigned char* Next; // the next byte to read, or the next free place to write
  unsigned char* End;  // the end of the bytes read, or of the buffer when writing
  unsigned char* Buffer;
  DWORD Size;
  DWORD Position; // the file position of Buffer[0] when reading
  HANDLE File;
  bool Writing;
};

// Opens an existing file for reading, or creates one for writing (an existing one is
// truncated), with the caller's buffer. False when the file cannot be opened.
bool OpenStreamForReading(FileStream* stream, const char* path, unsigned char* buffer, DWORD size);
bool OpenStreamForWriting(FileStream* stream, const char* path, unsigned char* buffer, DWORD size);

// Reads the next buffer of a reading stream and returns its first byte, or StreamEnd.
int RefillStream(FileStream* stream);

// Writes out what a writing stream holds; false when that fails, and what it held is
// dropped all the same.
bool FlushStream(FileStream* stream);

// The next byte, 0 to 255; StreamEnd at the end of the file and after a failed read.
inline int ReadByte(FileStream* stream) {
  return stream->Next != stream->End ? *stream->Next++ : RefillStream(stream);
}

// Returns `byte`, or StreamEnd when the full buffer could not be written out.
inline int WriteByte(FileStream* stream, int byte) {
  if (stream->Next == stream->End && !FlushStream(stream)) return StreamEnd;
  *stream->Next++ = static_cast<unsigned char>(byte);
  return byte;
}

// Reads exactly `length` bytes; false when the file ends or a read fails first.
bool ReadBlock(FileStream* stream, void* bytes, DWORD length);

// Moves a reading stream to `position` from the start of the file. A position within
// the buffer costs no call to the system. False for a negative position, which the
// 32-bit seek cannot reach, and for a failed seek.
bool SeekStream(FileStream* stream, LONG position);

// Flushes a writing stream, its result unexamined, and closes the file.
void CloseStream(FileStream* stream);
