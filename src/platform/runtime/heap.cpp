// The C library's heap routines for the Win32 build of Setup.exe, on the
// process heap, under their standard names and contracts (malloc(0) gives a
// unique block; free(NULL) does nothing; realloc(NULL, n) is malloc(n); a
// failed realloc leaves the old block as it was; calloc zero-fills and
// refuses a size that overflows).
#include <windows.h>

#include <stddef.h>

extern "C" {

void* malloc(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size ? size : 1); }

void free(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}

void* calloc(size_t count, size_t size) {
  if (size && count > (size_t)-1 / size) return NULL;
  size_t bytes = count * size;
  return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1);
}

void* realloc(void* block, size_t size) {
  if (!block) return malloc(size);
  return HeapReAlloc(GetProcessHeap(), 0, block, size ? size : 1);
}

}  // extern "C"
