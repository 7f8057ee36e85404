// The file class of the framework, only as far as the launcher uses it: a
// file opened for reading, read and closed.
// The handle is closed when the object goes, on every road.
#pragma once

#include "platform/win32.h"

class CFile {
 public:
  // Opening flags: the launcher only reads, and shares nothing with other
  // programs meanwhile (modeRead alone means the same as with shareExclusive).
  enum OpenFlags {
    modeRead = 0x0000,
    shareExclusive = 0x0010,
  };

  CFile() : m_hFile(INVALID_HANDLE_VALUE) {}
  ~CFile() { Close(); }
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens an existing file for reading, shared with nobody. FALSE when it
  // cannot be opened (missing, a folder, open in another program, ...) or
  // `flags` asks for anything else. A file already open is closed first.
  BOOL Open(const char* path, UINT flags);

  // Reads up to `count` bytes from the current position; the number read,
  // 0 at the end of the file or when the read fails.
  UINT Read(void* buffer, UINT count);

  void Close();

 private:
  HANDLE m_hFile;
};
