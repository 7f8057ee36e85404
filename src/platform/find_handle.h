// Owner of a file search handle (FindFirstFileA), closed with FindClose on
// every road out of the function that started the search.
#pragma once

#include "platform/win32.h"

class ScopedFind {
 public:
  ScopedFind() = default;
  ~ScopedFind() { Close(); }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;

  // FindFirstFileA; false (and `data` undefined) when nothing matches or the
  // folder cannot be searched.
  bool First(const char* pattern, WIN32_FIND_DATAA* data) {
    Close();
    find_ = FindFirstFileA(pattern, data);
    return find_ != INVALID_HANDLE_VALUE;
  }
  // FindNextFileA; false at the end of the search or when it fails.
  bool Next(WIN32_FIND_DATAA* data) { return find_ != INVALID_HANDLE_VALUE && FindNextFileA(find_, data); }
  void Close() {
    if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
    find_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE find_ = INVALID_HANDLE_VALUE;
};
