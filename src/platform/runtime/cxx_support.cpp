// The few C++ run-time pieces the launcher's classes need in the Win32
// build, which links no C++ or C runtime library: operator new and delete
// (on malloc and free, heap.cpp) and the handler for a call to a pure
// virtual function.
#include <stddef.h>
#include <stdlib.h>

#include <windows.h>

// Allocation failure ends nothing: the caller gets NULL (no exceptions).
void* operator new(size_t size) { return malloc(size); }
void* operator new[](size_t size) { return malloc(size); }
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
void operator delete[](void* block, size_t) noexcept { free(block); }

// A pure virtual call is a bug; end the process rather than run on.
extern "C" void __cxa_pure_virtual() { ExitProcess(3); }
