// Simulated 8.3 short names, as a FAT or NTFS volume gives them: a name that
// is already a valid short name is its own; any other gets the first six of
// its characters that a short name may hold, upper-cased, then "~1" and the
// first three characters of its extension (a second name of the same start,
// "~2" on Windows, is not modelled). A path is looked up with each part in
// either form; GetShortPathNameA gives the short form of one that exists.
#include <cctype>
#include <vector>

#include "filesystem.h"

namespace sim {

namespace {

bool ShortChar(char c) {
  return c != ' ' && c != '.' && c != '+' && c != ',' && c != ';' && c != '=' && c != '[' && c != ']';
}

std::string ShortName(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  bool valid = !base.empty() && base.size() <= 8 && ext.size() <= 3 && name != "." && name != "..";
  for (char c : base + ext) valid = valid && ShortChar(c);
  if (valid || name == "." || name == "..") return name;
  std::string head, tail;
  for (char c : base)
    if (ShortChar(c) && head.size() < 6) head += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (char c : ext)
    if (ShortChar(c) && tail.size() < 3) tail += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return head + "~1" + (tail.empty() ? "" : "." + tail);
}

// The long and short forms of the existing path `path` (normal, with a
// drive), each part matched in either form; false when a part is missing.
bool BothForms(const std::string& path, std::string* longForm, std::string* shortForm) {
  if (path.size() < 2 || path[1] != ':') return false;
  *longForm = *shortForm = path.substr(0, 2);
  for (size_t start = 3; start <= path.size() && path.size() > 2;) {
    size_t end = start;
    while (end < path.size() && LastSeparator(path, end + 1) != end) ++end;
    const std::string part = path.substr(start, end - start);
    std::string found;
    for (const std::string& entry : FolderEntries(*longForm))
      if (SameNoCase(entry, part) || SameNoCase(ShortName(entry), part)) found = entry;
    if (found.empty()) return false;
    *longForm += "\\" + found;
    *shortForm += "\\" + ShortName(found);
    start = end + 1;
  }
  return true;
}

}  // namespace

std::string LongFormOf(const std::string& path) {
  std::string longForm, shortForm;
  return BothForms(path, &longForm, &shortForm) ? longForm : std::string();
}

}  // namespace sim

using namespace sim;

DWORD GetShortPathNameA(LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer) {
  const std::string path = NormalPath(lpszLongPath ? lpszLongPath : "");
  std::string longForm, result;
  if (Enter("GetShortPathNameA", path) || !BothForms(path, &longForm, &result)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  if (result.size() == 2) result += "\\";
  if (result.size() >= cchBuffer) return static_cast<DWORD>(result.size() + 1);
  result.copy(lpszShortPath, result.size());
  lpszShortPath[result.size()] = 0;
  return static_cast<DWORD>(result.size());
}
