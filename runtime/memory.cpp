// The C library's heap calls, over the process heap, for the code that SETUP.EXE shares
// with the tools and the tests.
#include <windows.h>

#include <cstddef>

extern "C" {

void* malloc(size_t size) {
  return HeapAlloc(GetProcessHeap(), 0, size);
}

void* calloc(size_t count, size_t size) {
  if (size && count > static_cast<size_t>(-1) / size) return nullptr;
  return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * size);
}

void free(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}
}
