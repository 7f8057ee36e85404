#include "framework/text.h"

#include <stdlib.h>
#include <string.h>

static char s_empty[1] = {0};

CString::CString(const char* text) : m_pchData(s_empty) {
  const size_t length = strlen(text);
  char* copy = static_cast<char*>(malloc(length + 1));
  if (!copy) return;
  memcpy(copy, text, length + 1);
  m_pchData = copy;
}

CString::~CString() {
  if (m_pchData != s_empty) free(m_pchData);
}

void CString::MakeUpper() {
  if (m_pchData != s_empty) _mbsupr(reinterpret_cast<unsigned char*>(m_pchData));
}

int CString::Find(const char* sub) const {
  const unsigned char* at = _mbsstr(reinterpret_cast<const unsigned char*>(m_pchData),
                                    reinterpret_cast<const unsigned char*>(sub));
  return at ? static_cast<int>(at - reinterpret_cast<const unsigned char*>(m_pchData)) : -1;
}

int CString::GetLength() const { return static_cast<int>(strlen(m_pchData)); }
