#include "framework/text.h"

#include <stdlib.h>
#include <string.h>

// Terminated twice: a text that ends in a lone lead byte (cut in the middle
// of a double-byte character) still ends at its zero for the multibyte
// routines, some of which take that zero as the character's second byte.
CString::CString(const char* text) : m_pchData(NULL) {
  const size_t length = strlen(text);
  char* copy = static_cast<char*>(malloc(length + 2));
  if (!copy) return;
  memcpy(copy, text, length + 1);
  copy[length + 1] = 0;
  m_pchData = copy;
}

// LoadStringA reports only how much it copied (the zero-filled buffer always
// keeps two zeros after the text): a text that filled the buffer
// may have been cut, so it is read again into a larger one.
BOOL CString::LoadString(UINT id) {
  Empty();
  for (int size = 256; size <= 65536; size *= 2) {
    char* buffer = static_cast<char*>(calloc(size, 1));
    if (!buffer) return FALSE;
    const int length = ::LoadStringA(AfxGetResourceHandle(), id, buffer, size);
    if (length < size - 1) {
      if (length <= 0) {
        free(buffer);
        return FALSE;
      }
      m_pchData = buffer;
      return TRUE;
    }
    free(buffer);
  }
  return FALSE;
}

void CString::Empty() {
  free(m_pchData);
  m_pchData = NULL;
}

void CString::MakeUpper() {
  if (m_pchData) _mbsupr(reinterpret_cast<unsigned char*>(m_pchData));
}

int CString::Find(const char* sub) const {
  const unsigned char* text = reinterpret_cast<const unsigned char*>(static_cast<const char*>(*this));
  const unsigned char* at = _mbsstr(text, reinterpret_cast<const unsigned char*>(sub));
  return at ? static_cast<int>(at - text) : -1;
}

int CString::GetLength() const { return static_cast<int>(strlen(*this)); }
