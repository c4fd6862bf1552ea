#include "file_stream.h"

namespace {

// Others may read and write the file meanwhile, as they could with the C runtime's
// streams.
constexpr DWORD Sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool Open(FileStream* stream, HANDLE file, unsigned char* buffer, DWORD size, bool writing) {
  if (file == INVALID_HANDLE_VALUE) return false;
  stream->File = file;
  stream->Buffer = stream->Next = buffer;
  stream->End = writing ? buffer + size : buffer;
  stream->Size = size;
  stream->Position = 0;
  stream->Writing = writing;
  return true;
}

} // namespace

bool OpenStreamForReading(FileStream* stream, const char* path, unsigned char* buffer, DWORD size) {
  return Open(stream,
              CreateFileA(path, GENERIC_READ, Sharing, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              buffer, size, false);
}

bool OpenStreamForWriting(FileStream* stream, const char* path, unsigned char* buffer, DWORD size) {
  return Open(stream,
              CreateFileA(path, GENERIC_WRITE, Sharing, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              buffer, size, true);
}

int RefillStream(FileStream* stream) {
  stream->Position += static_cast<DWORD>(stream->End - stream->Buffer);
  DWORD got = 0;
  if (!ReadFile(stream->File, stream->Buffer, stream->Size, &got, nullptr)) got = 0;
  stream->Next = stream->Buffer;
  stream->End = stream->Buffer + got;
  return got ? *stream->Next++ : StreamEnd;
}

bool FlushStream(FileStream* stream) {
  const DWORD length = static_cast<DWORD>(stream->Next - stream->Buffer);
  stream->Next = stream->Buffer;
  if (length == 0) return true;
  DWORD written = 0;
  return WriteFile(stream->File, stream->Buffer, length, &written, nullptr) && written == length;
}

bool ReadBlock(FileStream* stream, void* bytes, DWORD length) {
  auto* out = static_cast<unsigned char*>(bytes);
  for (DWORD i = 0; i < length; ++i) {
    const int byte = ReadByte(stream);
    if (byte == StreamEnd) return false;
    out[i] = static_cast<unsigned char>(byte);
  }
  return true;
}

bool SeekStream(FileStream* stream, LONG position) {
  if (position < 0) return false;
  const DWORD target = static_cast<DWORD>(position);
  const DWORD buffered = static_cast<DWORD>(stream->End - stream->Buffer);
  if (target >= stream->Position && target - stream->Position <= buffered) {
    stream->Next = stream->Buffer + (target - stream->Position);
    return true;
  }
  if (SetFilePointer(stream->File, position, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
    return false;
  stream->Position = target;
  stream->Next = stream->End = stream->Buffer;
  return true;
}

void CloseStream(FileStream* stream) {
  if (stream->Writing) FlushStream(stream);
  CloseHandle(stream->File);
}
