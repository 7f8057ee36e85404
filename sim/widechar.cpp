// Simulated WideCharToMultiByte for the ANSI code page. 1252 is converted in
// full; under 932, 936 and 949 only ASCII is (the simulator carries no
// double-byte tables), so tests of double-byte text use the narrow routines.
// A character the code page cannot represent becomes the default character
// ('?' unless one is given), and the rest of the text is still converted.
#include <cstring>
#include <string>

#include "machine.h"

namespace {

// Code page 1252 bytes 0x80-0x9F and the characters they stand for (0 = none).
const WCHAR kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte for `c` in `codePage`, or -1 when it has none.
int NarrowChar(int codePage, WCHAR c) {
  if (c < 0x80) return c;
  if (codePage != 1252) return -1;
  if (c >= 0xA0 && c <= 0xFF) return c;
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return 0x80 + i;
  return -1;
}

}  // namespace

std::string sim::NarrowUtf16Text(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const WCHAR c = static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    const int narrow = NarrowChar(M().ansiCodePage, c);
    out += narrow >= 0 ? static_cast<char>(narrow) : '?';
  }
  return out;
}

using namespace sim;

int WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar) {
  if (Enter("WideCharToMultiByte", std::to_string(CodePage)) || !lpWideCharStr || cchWideChar == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int codePage = CodePage == CP_ACP ? M().ansiCodePage : static_cast<int>(CodePage);
  size_t count = 0;
  if (cchWideChar < 0) {
    while (lpWideCharStr[count]) ++count;
    ++count;  // the terminating zero is converted too
  } else {
    count = static_cast<size_t>(cchWideChar);
  }
  std::string out;
  bool usedDefault = false;
  for (size_t i = 0; i < count; ++i) {
    const int narrow = NarrowChar(codePage, lpWideCharStr[i]);
    if (narrow >= 0) {
      out += static_cast<char>(narrow);
    } else {
      out += lpDefaultChar ? *lpDefaultChar : '?';
      usedDefault = true;
    }
  }
  if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  if (cbMultiByte == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cbMultiByte)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpMultiByteStr, out.data(), out.size());
  return static_cast<int>(out.size());
}
