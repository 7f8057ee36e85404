// Simulated WideCharToMultiByte and MultiByteToWideChar for the code pages
// the simulator has tables for (code_pages.h), best fit included, as Windows
// converts without flags. A character the code page cannot represent becomes
// the default character (the code page's own unless one is given), and the
// rest of the text is still converted.
#include <cstring>
#include <string>

#include "code_pages.h"
#include "machine.h"

std::string sim::NarrowUtf16Text(const std::string& bytes) {
  std::u16string wide;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
  return FromUtf16(*CodePage::Find(M().ansiCodePage), wide, "?", nullptr);
}

using namespace sim;

int WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar) {
  if (Enter("WideCharToMultiByte", std::to_string(CodePage)) || !lpWideCharStr || cchWideChar == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const sim::CodePage* page = sim::CodePage::Find(CodePage == CP_ACP ? M().ansiCodePage : static_cast<int>(CodePage));
  if (!page) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t count = 0;
  if (cchWideChar < 0) {
    while (lpWideCharStr[count]) ++count;
    ++count;  // the terminating zero is converted too
  } else {
    count = static_cast<size_t>(cchWideChar);
  }
  // A given default is one character: two bytes only in a double-byte code page.
  std::string_view given;
  if (lpDefaultChar) given = std::string_view(lpDefaultChar, page->doubleByte() && lpDefaultChar[1] ? 2 : 1);
  bool usedDefault = false;
  const std::u16string wide(lpWideCharStr, lpWideCharStr + count);
  const std::string out = FromUtf16(*page, wide, given, &usedDefault);
  if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  if (cbMultiByte == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cbMultiByte)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpMultiByteStr, out.data(), out.size());
  return static_cast<int>(out.size());
}

int MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte, WCHAR* lpWideCharStr,
                        int cchWideChar) {
  const sim::CodePage* page = sim::CodePage::Find(CodePage == CP_ACP ? M().ansiCodePage : static_cast<int>(CodePage));
  if (Enter("MultiByteToWideChar", std::to_string(CodePage)) || !page || !lpMultiByteStr || cbMultiByte == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t count = cbMultiByte < 0 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
  const std::u16string out = ToUtf16(*page, std::string_view(lpMultiByteStr, count));
  if (cchWideChar == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cchWideChar)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpWideCharStr, out.data(), out.size() * sizeof(WCHAR));
  return static_cast<int>(out.size());
}
