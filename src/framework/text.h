// A text held on the heap, filled from the program's string table.
#pragma once

#include "framework/framework.h"

class CString {
 public:
  CString() : m_pchData(NULL) {}
  ~CString() { Empty(); }
  CString(const CString&) = delete;
  CString& operator=(const CString&) = delete;

  // Loads string `id` from the resource module in the user's language. FALSE
  // (and an empty text) when there is no such string.
  BOOL LoadString(UINT id);
  void Empty();
  operator const char*() const { return m_pchData ? m_pchData : ""; }

 private:
  char* m_pchData;
};
