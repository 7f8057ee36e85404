// Profile (.ini) reading as the launcher does it: GetPrivateProfileStringA
// with a section, a key, a default and a fixed buffer.
#include <cstring>
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

static std::string IniFile(const char* name, const std::string& text) {
  std::string path = fixture::TempFolder() + "\\" + name;
  fixture::WriteTextFile(path, text);
  return path;
}

static std::string Read(const std::string& file, const char* section, const char* key, const char* fallback,
                        DWORD size = 256, DWORD* count = nullptr) {
  char buffer[257];
  std::memset(buffer, 'x', sizeof buffer - 1);
  buffer[256] = 0;  // stops strlen should a call leave the buffer unterminated
  DWORD n = GetPrivateProfileStringA(section, key, fallback, buffer, size, file.c_str());
  if (count) *count = n;
  return std::string(buffer, std::strlen(buffer) < size ? std::strlen(buffer) : size);
}

// All Windows versions: the default comes back, with its length, when the
// file, the section or the key is missing.
CONTRACT_TEST(Profile_MissingFileSectionOrKeyGivesDefault) {
  std::string file = IniFile("missing.ini", "[Startup]\r\nProductKey=ABC\r\n");
  DWORD n = 0;
  std::string v = Read(fixture::TempFolder() + "\\absent.ini", "Startup", "ProductKey", "none", 256, &n);
  ok(v == "none" && n == 4, "missing file: '%s' %lu", v.c_str(), static_cast<unsigned long>(n));
  v = Read(file, "Other", "ProductKey", "none", 256, &n);
  ok(v == "none" && n == 4, "missing section: '%s' %lu", v.c_str(), static_cast<unsigned long>(n));
  v = Read(file, "Startup", "Absent", "", 256, &n);
  ok(v.empty() && n == 0, "missing key, empty default: '%s' %lu", v.c_str(), static_cast<unsigned long>(n));
}

// All Windows versions: trailing blanks of the default are dropped.
CONTRACT_TEST(Profile_DefaultLosesTrailingBlanks) {
  std::string file = IniFile("default.ini", "[Startup]\r\n");
  DWORD n = 0;
  std::string v = Read(file, "Startup", "Absent", "dflt  ", 256, &n);
  ok(v == "dflt" && n == 4, "'%s' %lu", v.c_str(), static_cast<unsigned long>(n));
}

// All Windows versions: section and key names compare without regard to case.
CONTRACT_TEST(Profile_SectionAndKeyIgnoreCase) {
  std::string file = IniFile("case.ini", "[StartUp]\r\nProductKey=Value1\r\n");
  std::string v = Read(file, "STARTUP", "productkey", "none");
  ok(v == "Value1", "'%s'", v.c_str());
}

// All Windows versions: a value longer than the buffer is cut at size - 1
// characters, terminated, and that count returned.
CONTRACT_TEST(Profile_ValueCutAtSizeMinusOne) {
  std::string file = IniFile("cut.ini", "[S]\r\nK=0123456789\r\n");
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  DWORD n = GetPrivateProfileStringA("S", "K", "", buffer, 5, file.c_str());
  ok(n == 4, "count %lu", static_cast<unsigned long>(n));
  ok(std::memcmp(buffer, "0123\0x", 6) == 0, "buffer '%.4s' then %02x %02x", buffer, buffer[4] & 0xff,
     buffer[5] & 0xff);
  // Exactly fitting: all ten characters and the zero.
  n = GetPrivateProfileStringA("S", "K", "", buffer, 11, file.c_str());
  ok(n == 10 && std::strcmp(buffer, "0123456789") == 0, "fitting: %lu '%s'", static_cast<unsigned long>(n), buffer);
}

// All Windows versions: blanks and tabs around the key and the value are
// dropped, blanks inside the value kept.
CONTRACT_TEST(Profile_BlanksAroundValueTrimmed) {
  std::string file = IniFile("blanks.ini", "[S]\r\n  Key \t=   two  words \t \r\n");
  std::string v = Read(file, "S", "Key", "none");
  ok(v == "two  words", "'%s'", v.c_str());
}

// All Windows versions: one pair of matching double or single quotes around
// the whole value is removed; quotes elsewhere, or unmatched, stay.
CONTRACT_TEST(Profile_QuotesAroundValueRemoved) {
  std::string file = IniFile("quotes.ini",
                             "[S]\r\nDouble=\"quoted value\"\r\nSingle='single'\r\nOpen=\"unbalanced\r\n"
                             "Inner=say \"hi\"\r\nMixed=\"mixed'\r\nPadded=  \" padded \"  \r\n");
  ok(Read(file, "S", "Double", "") == "quoted value", "double: '%s'", Read(file, "S", "Double", "").c_str());
  ok(Read(file, "S", "Single", "") == "single", "single: '%s'", Read(file, "S", "Single", "").c_str());
  ok(Read(file, "S", "Open", "") == "\"unbalanced", "unbalanced: '%s'", Read(file, "S", "Open", "").c_str());
  ok(Read(file, "S", "Inner", "") == "say \"hi\"", "inner: '%s'", Read(file, "S", "Inner", "").c_str());
  ok(Read(file, "S", "Mixed", "") == "\"mixed'", "mixed: '%s'", Read(file, "S", "Mixed", "").c_str());
  ok(Read(file, "S", "Padded", "") == " padded ", "padded: '%s'", Read(file, "S", "Padded", "").c_str());
}

// All Windows versions: lines starting with ';' are comments, and the first
// of two equal keys in a section wins.
CONTRACT_TEST(Profile_CommentsIgnoredFirstKeyWins) {
  std::string file = IniFile("comments.ini", "[S]\r\n;K=commented\r\nK=first\r\nK=second\r\n");
  std::string v = Read(file, "S", "K", "none");
  ok(v == "first", "'%s'", v.c_str());
}
