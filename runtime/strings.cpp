// The C library's byte and string calls that the compiler emits and the shared code
// makes, for SETUP.EXE. Short and plain: none of them runs on much data.
#include <cstddef>

extern "C" {

void* memset(void* target, int value, size_t length) {
  auto* p = static_cast<unsigned char*>(target);
  while (length--)
    *p++ = static_cast<unsigned char>(value);
  return target;
}

void* memcpy(void* target, const void* source, size_t length) {
  auto* to = static_cast<unsigned char*>(target);
  const auto* from = static_cast<const unsigned char*>(source);
  while (length--)
    *to++ = *from++;
  return target;
}

// Overlapping blocks move from the end when the target lies above the source.
void* memmove(void* target, const void* source, size_t length) {
  auto* to = static_cast<unsigned char*>(target);
  const auto* from = static_cast<const unsigned char*>(source);
  if (to <= from) return memcpy(target, source, length);
  while (length--)
    to[length] = from[length];
  return target;
}

size_t strlen(const char* text) {
  const char* end = text;
  while (*end)
    ++end;
  return static_cast<size_t>(end - text);
}

int strcmp(const char* left, const char* right) {
  while (*left && *left == *right) {
    ++left;
    ++right;
  }
  return static_cast<unsigned char>(*left) - static_cast<unsigned char>(*right);
}

char* strcpy(char* target, const char* source) {
  char* to = target;
  while ((*to++ = *source++)) {
  }
  return target;
}

char* strcat(char* target, const char* source) {
  strcpy(target + strlen(target), source);
  return target;
}

char* strrchr(const char* text, int c) {
  const char* found = nullptr;
  do
    if (*text == static_cast<char>(c)) found = text;
  while (*text++);
  return const_cast<char*>(found);
}
}
