#include "dialog/uninstall_program.h"

#include <string.h>

#include "platform/local_block.h"
#include "records/launcher_paths.h"
#include "records/records.h"

namespace {

const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasFolder(const char* name) {
  return _mbschr(Bytes(name), '\\') || _mbschr(Bytes(name), '/') || _mbschr(Bytes(name), ':');
}

bool IsFullPath(const char* name) {
  const bool drive = ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) &&
                     name[1] == ':' && (name[2] == '\\' || name[2] == '/');
  const bool share = name[0] == '\\' && name[1] == '\\';
  return drive || share;
}

bool IsExistingFolder(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// SearchPathA in one folder only (or, for a full path, that file alone).
// SearchPathA looks a full path up as it stands before it adds ".exe", and
// takes a folder as found: "C:\Maker\Uninst" beside C:\Maker\Uninst.exe
// then names the folder, and the program is looked for by its full name.
bool SearchOne(const char* folder, const char* name, char* program, DWORD size) {
  DWORD length = SearchPathA(folder, name, ".exe", size, program, NULL);
  if (length > 0 && length < size && IsExistingFolder(program)) {
    char withExe[records::kPathSize];
    length = FormatText(withExe, sizeof withExe, "%s.exe", name) ? SearchPathA(folder, withExe, NULL, size, program, NULL)
                                                                  : 0;
    if (length > 0 && length < size && IsExistingFolder(program)) length = 0;
  }
  if (length == 0 || length >= size) {
    program[0] = 0;
    return false;
  }
  return true;
}

// "C:\Apps\" becomes "C:\Apps"; a drive's root keeps its backslash.
void DropTrailingBackslash(char* folder) {
  unsigned char* last = _mbsrchr(reinterpret_cast<unsigned char*>(folder), '\\');
  if (last && last[1] == 0 && last != reinterpret_cast<unsigned char*>(folder) + 2) *last = 0;
}

// Compares two folder names as text, a trailing backslash apart.
bool SameFolderText(const char* a, const char* b) {
  char left[records::kPathSize];
  char right[records::kPathSize];
  if (!FormatText(left, sizeof left, "%s", a) || !FormatText(right, sizeof right, "%s", b)) return false;
  DropTrailingBackslash(left);
  DropTrailingBackslash(right);
  return _mbsicmp(Bytes(left), Bytes(right)) == 0;
}

// Compares two folders as the folders they name: as text, or by their short
// 8.3 forms, so that "C:\PROGRA~1\Pkg" in a PATH written in short names is
// "C:\Program Files\Pkg". (GetShortPathNameA is on every release, its
// counterpart GetLongPathNameA not on 95 and NT 4.)
bool SameFolder(const char* a, const char* b) {
  if (SameFolderText(a, b)) return true;
  char left[records::kPathSize];
  char right[records::kPathSize];
  const DWORD leftLength = GetShortPathNameA(a, left, sizeof left);
  const DWORD rightLength = GetShortPathNameA(b, right, sizeof right);
  return leftLength > 0 && leftLength < sizeof left && rightLength > 0 && rightLength < sizeof right &&
         SameFolderText(left, right);
}

// A PATH folder that is searched: a full path, neither the launcher's folder
// nor the current folder.
bool IsSafePathFolder(const char* folder) {
  if (!IsFullPath(folder)) return false;
  char own[records::kPathSize];
  if (GetLauncherFolder(own, sizeof own) && SameFolder(folder, own)) return false;
  char current[records::kPathSize];
  const DWORD length = GetCurrentDirectoryA(sizeof current, current);
  return length == 0 || length >= sizeof current || !SameFolder(folder, current);
}

bool SearchPathVariable(const char* name, char* program, DWORD size) {
  const DWORD needed = GetEnvironmentVariableA("PATH", NULL, 0);
  if (needed == 0) return false;
  // No memory for the list: no folder of it is searched.
  ScopedLocalBlock block(needed + 1);
  if (!block.get()) return false;
  char* path = reinterpret_cast<char*>(block.get());
  memset(path, 0, needed + 1);
  const DWORD length = GetEnvironmentVariableA("PATH", path, needed + 1);
  bool found = false;
  if (length > 0 && length <= needed) {
    for (char* folder = strtok(path, ";"); folder && !found; folder = strtok(NULL, ";")) {
      // A folder may be quoted in PATH.
      const size_t n = strlen(folder);
      if (n >= 2 && folder[0] == '"' && folder[n - 1] == '"') {
        folder[n - 1] = 0;
        ++folder;
      }
      found = IsSafePathFolder(folder) && SearchOne(folder, name, program, size);
    }
  }
  return found;
}

bool SearchBareName(const char* name, char* program, DWORD size) {
  char folder[records::kPathSize];
  const UINT systemLength = GetSystemDirectoryA(folder, sizeof folder);
  if (systemLength > 0 && systemLength < sizeof folder && SearchOne(folder, name, program, size)) return true;
  const UINT windowsLength = GetWindowsDirectoryA(folder, sizeof folder);
  if (windowsLength > 0 && windowsLength < sizeof folder && SearchOne(folder, name, program, size)) return true;
  return SearchPathVariable(name, program, size);
}

bool FindNamedProgram(const char* name, char* program, DWORD size) {
  if (!name[0]) return false;
  if (HasFolder(name)) return IsFullPath(name) && SearchOne(NULL, name, program, size);
  return SearchBareName(name, program, size);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// True when the text from the blank at `blank` on continues a path through
// an existing folder: "C:\Program" in "C:\Program Files\Maker\gone.exe"
// (C:\Program Files is a folder) names no program of its own, so a
// C:\Program.exe must not stand in for the missing one. Each longer text
// up to a blank or the first folder separator is looked at, but only one
// that goes on past the blank with more than blanks and dots: Windows drops
// those at the end of a path, so "C:\Maker\Uninst " is the folder
// C:\Maker\Uninst, and yet in "C:\Maker\Uninst /S" nothing goes on past
// the program's name.
bool ContinuesIntoFolder(const char* text, size_t blank) {
  char folder[records::kPathSize];
  for (size_t at = blank + 1;; ++at) {
    const char c = text[at];
    if (c == 0 || IsBlank(c) || IsSeparator(c)) {
      size_t end = at;
      while (end > blank && (IsBlank(text[end - 1]) || text[end - 1] == '.')) --end;
      if (end > blank && at < sizeof folder) {
        memcpy(folder, text, at);
        folder[at] = 0;
        if (IsExistingFolder(folder)) return true;
      }
      if (c == 0 || IsSeparator(c)) return false;
    } else if (_ismbblead(static_cast<unsigned char>(c)) && text[at + 1]) {
      ++at;  // a trail byte may look like a backslash
    }
  }
}

}  // namespace

bool FindUninstallProgram(const char* commandLine, char* program, DWORD size) {
  if (size == 0) return false;
  program[0] = 0;
  char candidate[records::kPathSize];
  if (!FormatText(candidate, sizeof candidate, "%s", commandLine)) return false;

  if (candidate[0] == '"') {
    char* name = candidate + 1;
    char* close = strchr(name, '"');
    // Two zeros end the name (see records/text_end.h); what follows the
    // quotation mark is not needed.
    if (close) close[0] = close[1] = 0;
    return FindNamedProgram(name, program, size);
  }

  // Longest prefix first: cut the text after each blank-separated word in
  // turn from the end.
  for (size_t end = strlen(candidate); end > 0; --end) {
    const bool wordEnds = !IsBlank(candidate[end - 1]) && (candidate[end] == 0 || IsBlank(candidate[end]));
    if (!wordEnds) continue;
    const bool whole = candidate[end] == 0;
    if (!whole && ContinuesIntoFolder(candidate, end)) continue;
    // The prefix is ended by two zeros (see records/text_end.h), the bytes
    // they cover put back afterwards; the whole text has its own.
    const char kept[2] = {candidate[end], whole ? '\0' : candidate[end + 1]};
    candidate[end] = 0;
    if (!whole) candidate[end + 1] = 0;
    if (FindNamedProgram(candidate, program, size)) return true;
    candidate[end] = kept[0];
    if (!whole) candidate[end + 1] = kept[1];
  }
  return false;
}
