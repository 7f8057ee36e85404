#include "framework/file.h"

BOOL CFile::Open(const char* path, UINT flags) {
  Close();
  if (flags & ~static_cast<UINT>(shareExclusive)) return FALSE;
  m_hFile = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  return m_hFile != INVALID_HANDLE_VALUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  DWORD read = 0;
  if (m_hFile == INVALID_HANDLE_VALUE || !ReadFile(m_hFile, buffer, count, &read, NULL)) return 0;
  return read;
}

void CFile::Close() {
  if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
}
