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

DWORD ReadUpTo(FileStream* stream, void* bytes, DWORD length) {
  if (stream->Next == stream->End) {
    stream->Position += static_cast<DWORD>(stream->End - stream->Buffer);
    stream->Next = stream->End = stream->Buffer;
    const bool direct = length >= stream->Size;
    DWORD got = 0;
    if (!ReadFile(stream->File, direct ? bytes : stream->Buffer, direct ? length : stream->Size,
                  &got, nullptr))
      got = 0;
    if (direct) {
      stream->Position += got;
      return got;
    }
    stream->End = stream->Buffer + got;
  }
  const DWORD buffered = static_cast<DWORD>(stream->End - stream->Next);
  const DWORD take = buffered < length ? buffered : length;
  CopyMemory(bytes, stream->Next, take);
  stream->Next += take;
  return take;
}

bool ReadBlock(FileStream* stream, void* bytes, DWORD length) {
  auto* out = static_cast<unsigned char*>(bytes);
  while (length > 0) {
    const DWORD got = ReadUpTo(stream, out, length);
    if (got == 0) return false;
    out += got;
    length -= got;
  }
  return true;
}

bool FlushStream(FileStream* stream) {
  const DWORD length = static_cast<DWORD>(stream->Next - stream->Buffer);
  stream->Next = stream->Buffer;
  if (length == 0) return true;
  DWORD written = 0;
  return WriteFile(stream->File, stream->Buffer, length, &written, nullptr) && written == length;
}

bool WriteBlock(FileStream* stream, const void* bytes, DWORD length) {
  const auto* in = static_cast<const unsigned char*>(bytes);
  if (length >= stream->Size) {
    DWORD written = 0;
    return FlushStream(stream) && WriteFile(stream->File, in, length, &written, nullptr) &&
           written == length;
  }
  for (;;) {
    const DWORD room = static_cast<DWORD>(stream->End - stream->Next);
    const DWORD take = room < length ? room : length;
    CopyMemory(stream->Next, in, take);
    stream->Next += take;
    if (take == length) return true;
    if (!FlushStream(stream)) return false;
    in += take;
    length -= take;
  }
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

bool GiveBack(FileStream* stream, DWORD count) {
  const DWORD position = stream->Position + static_cast<DWORD>(stream->Next - stream->Buffer);
  return SeekStream(stream, static_cast<LONG>(position - count));
}

void CloseStream(FileStream* stream) {
  if (stream->Writing) FlushStream(stream);
  CloseHandle(stream->File);
}
