// Simulated files and profile (.ini) reading. Files are byte strings keyed by
// their full path, compared without regard to letter case.
#include <cstring>

#include "machine.h"

namespace sim {

void WriteFile(const std::string& path, const std::string& content) {
  M().files[path] = content;
  NoteFileWritten(path);
}
bool FileExists(const std::string& path) { return M().files.count(path) != 0; }
std::string ReadFile(const std::string& path) {
  auto it = M().files.find(path);
  return it == M().files.end() ? std::string() : it->second;
}
void RemoveFile(const std::string& path) {
  M().files.erase(path);
  NoteFileRemoved(path);
}
void SetModulePath(const std::string& path) { M().modulePath = path; }
void SetWindowsDirectory(const std::string& path) { M().windowsDir = path; }
void SetSystemDirectory(const std::string& path) { M().systemDir = path; }
std::string WindowsFolder() { return M().windowsDir; }
std::string SystemFolder() { return M().systemDir; }

static std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// The value of [section] key in an .ini text; false when either is missing.
static bool FindProfileValue(const std::string& text, const std::string& section, const std::string& key,
                             std::string* value) {
  bool inSection = false;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      inSection = close != std::string::npos && SameNoCase(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos || !SameNoCase(Trim(line.substr(0, eq)), key)) continue;
    std::string v = Trim(line.substr(eq + 1));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    *value = v;
    return true;
  }
  return false;
}

// The text the profile functions read. 2000, XP and 2003 read a file that
// begins with the UTF-16 little-endian mark as Unicode, converted to the
// ANSI code page (they keep such a file Unicode: R. Chen, "Can INI files be
// Unicode?", The Old New Thing, 2024-06-06; Wine does the same); 95, 98 and
// Me make no such conversion (Tera Term's notes on the ini functions) and
// read the bytes as they are, as every release reads any other file: a UTF-8
// mark's three bytes then belong to the first line (what Windows does with
// them is not documented; Wine reads such a file as UTF-8).
static std::string ProfileText(const std::string& bytes) {
  const bool unicode = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  return unicode && IsNt() ? NarrowUtf16Text(bytes.substr(2)) : bytes;
}

}  // namespace sim

using namespace sim;

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName) {
  std::string detail = std::string(lpFileName ? lpFileName : "") + " [" + (lpAppName ? lpAppName : "") + "] " +
                       (lpKeyName ? lpKeyName : "");
  const bool fail = Enter("GetPrivateProfileStringA", detail);
  if (nSize == 0) return 0;
  std::string value;
  auto file = M().files.find(lpFileName ? lpFileName : "");
  bool found = !fail && lpAppName && lpKeyName && file != M().files.end() &&
               FindProfileValue(ProfileText(file->second), lpAppName, lpKeyName, &value);
  if (!found) {
    value = lpDefault ? lpDefault : "";
    size_t e = value.find_last_not_of(' ');
    value.resize(e == std::string::npos ? 0 : e + 1);
  }
  size_t n = value.size() < nSize - 1 ? value.size() : nSize - 1;
  std::memcpy(lpReturnedString, value.data(), n);
  lpReturnedString[n] = 0;
  return static_cast<DWORD>(n);
}
