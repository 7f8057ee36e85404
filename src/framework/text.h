// The framework's string class, only as far as the launcher uses it: a copy
// of a text in the ANSI code page, upper-cased and searched multibyte-aware
// (the second byte of a double-byte character is never taken for a letter or
// for the start of a match).
#pragma once

#include "platform/win32.h"

class CString {
 public:
  // Copies `text`. When no memory can be had the string is empty.
  explicit CString(const char* text);
  ~CString();
  CString(const CString&) = delete;
  CString& operator=(const CString&) = delete;

  // Upper-cases in place in the ANSI code page (_mbsupr); double-byte
  // characters stay as they are.
  void MakeUpper();

  // Byte offset of the first occurrence of `sub` that starts on a character
  // boundary (_mbsstr), or -1. An empty `sub` is found at 0.
  int Find(const char* sub) const;

  int GetLength() const;
  operator const char*() const { return m_pchData; }

 private:
  char* m_pchData;
};
