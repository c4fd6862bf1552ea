// Buffered byte streams over Win32 file handles: the archive the bootstrap reads and the
// files it writes. Small reads and writes touch only the buffer, and the system is
// called once per buffer; a block at least as large as the buffer goes to the system
// directly.
#pragma once

#include <windows.h>

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

// Reads what the buffer holds, at most `length` bytes. When it is empty, fills it first,
// or reads a block at least as large as the buffer straight into `bytes`. 0 only at the
// end of the file and after a failed read.
DWORD ReadUpTo(FileStream* stream, void* bytes, DWORD length);

// Reads exactly `length` bytes; false when the file ends or a read fails first.
bool ReadBlock(FileStream* stream, void* bytes, DWORD length);

// False when the buffer had to be written out and that failed.
bool WriteBlock(FileStream* stream, const void* bytes, DWORD length);

// Writes out what a writing stream holds; false when that fails, and what it held is
// dropped all the same.
bool FlushStream(FileStream* stream);

// Moves a reading stream to `position` from the start of the file. A position within
// the buffer costs no call to the system. False for a negative position, which the
// 32-bit seek cannot reach, and for a failed seek.
bool SeekStream(FileStream* stream, LONG position);

// Moves a reading stream back over the last `count` bytes read.
bool GiveBack(FileStream* stream, DWORD count);

// Flushes a writing stream, its result unexamined, and closes the file.
void CloseStream(FileStream* stream);
