// The few C++ run-time pieces the launcher's classes need in the Win32
// build, which links no C++ or C runtime library: heap allocation (only
// deleting destructors of classes with virtual destructors reach it) and the
// handler for a call to a pure virtual function.
#include <windows.h>

#include <stddef.h>

// Allocation failure ends nothing: the caller gets NULL (no exceptions).
void* operator new(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size ? size : 1); }
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* block) noexcept {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, size_t) noexcept { operator delete(block); }
void operator delete[](void* block, size_t) noexcept { operator delete(block); }

// A pure virtual call is a bug; end the process rather than run on.
extern "C" void __cxa_pure_virtual() { ExitProcess(3); }
