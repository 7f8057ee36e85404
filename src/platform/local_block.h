// Owner of a heap block from LocalAlloc, released with LocalFree on every
// road out of the function that allocated it.
#pragma once

#include "platform/win32.h"

class ScopedLocalBlock {
 public:
  // A fixed block of `size` bytes; get() is NULL when the allocation failed.
  explicit ScopedLocalBlock(size_t size) : block_(LocalAlloc(LMEM_FIXED, size)) {}
  ~ScopedLocalBlock() {
    if (block_) LocalFree(block_);
  }
  ScopedLocalBlock(const ScopedLocalBlock&) = delete;
  ScopedLocalBlock& operator=(const ScopedLocalBlock&) = delete;

  BYTE* get() const { return static_cast<BYTE*>(block_); }

 private:
  HLOCAL block_;
};
