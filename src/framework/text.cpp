#include "framework/text.h"

#include <string.h>

// LoadStringA reports only how much it copied: a text that filled the buffer
// may have been cut, so it is read again into a larger one.
BOOL CString::LoadString(UINT id) {
  Empty();
  for (int size = 256; size <= 65536; size *= 2) {
    char* buffer = new char[size];
    memset(buffer, 0, size);
    const int length = ::LoadStringA(AfxGetResourceHandle(), id, buffer, size);
    if (length < size - 1) {
      if (length <= 0) {
        delete[] buffer;
        return FALSE;
      }
      m_pchData = buffer;
      return TRUE;
    }
    delete[] buffer;
  }
  return FALSE;
}

void CString::Empty() {
  delete[] m_pchData;
  m_pchData = NULL;
}
