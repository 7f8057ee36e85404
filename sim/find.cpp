// Simulated file search: FindFirstFileA / FindNextFileA / FindClose over the
// simulated folders. Entries come in creation order, as on FAT; an entry
// deleted during the search is not returned any more. Patterns match the long
// name only, without regard to letter case, with '*' and '?'.
#include <cstring>

#include "filesystem.h"

namespace sim {

static unsigned char Fold(char c) {
  return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

static bool Matches(const char* pattern, const char* name) {
  if (!*pattern) return !*name;
  if (*pattern == '*') {
    for (const char* rest = name;; ++rest) {
      if (Matches(pattern + 1, rest)) return true;
      if (!*rest) return false;
    }
  }
  if (!*name) return false;
  if (*pattern != '?' && Fold(*pattern) != Fold(*name)) return false;
  return Matches(pattern + 1, name + 1);
}

static void Fill(const std::string& folder, const std::string& name, WIN32_FIND_DATAA* data) {
  std::memset(data, 0, sizeof *data);
  const std::string path = folder + "\\" + name;
  data->dwFileAttributes = Attributes(path);
  if (IsFile(path)) data->nFileSizeLow = static_cast<DWORD>(M().files[path].size());
  std::strncpy(data->cFileName, name.c_str(), sizeof data->cFileName - 1);
}

// The next name of the search that still exists, or false.
static bool Next(HandleObject* h, WIN32_FIND_DATAA* data) {
  while (h->findNext < h->findNames.size()) {
    const std::string& name = h->findNames[h->findNext++];
    if (FindNode(h->findFolder + "\\" + name)) {
      Fill(h->findFolder, name, data);
      return true;
    }
  }
  return false;
}

}  // namespace sim

using namespace sim;

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  const std::string pattern = lpFileName ? lpFileName : "";
  if (Enter("FindFirstFileA", pattern)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const size_t slash = LastSeparator(pattern, pattern.size());
  const std::string folder = NormalPath(slash == std::string::npos ? std::string() : pattern.substr(0, slash));
  const std::string mask = pattern.substr(slash == std::string::npos ? 0 : slash + 1);
  if (!IsFolder(folder)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  HandleObject obj(HandleKind::Find);
  obj.path = pattern;
  obj.findFolder = folder;
  if (mask.find_first_of("*?") == std::string::npos) {
    // A plain name: that one entry, with its letter case as created.
    auto it = M().nodes.find(NormalPath(folder + "\\" + mask));
    if (it != M().nodes.end()) obj.findNames.push_back(it->first.substr(LastSeparator(it->first, it->first.size()) + 1));
  } else {
    for (const std::string& name : FolderEntries(folder))
      if (Matches(mask.c_str(), name.c_str())) obj.findNames.push_back(name);
  }
  if (obj.findNames.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = reinterpret_cast<HANDLE>(NewHandle(obj));
  Next(Lookup(h, HandleKind::Find), lpFindFileData);
  return h;
}

BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  HandleObject* h = Lookup(hFindFile, HandleKind::Find);
  if (Enter("FindNextFileA", h ? h->path : std::string()) || !h) {
    SetLastError(h ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (Next(h, lpFindFileData)) return TRUE;
  SetLastError(ERROR_NO_MORE_FILES);
  return FALSE;
}

BOOL FindClose(HANDLE hFindFile) {
  HandleObject* h = Lookup(hFindFile, HandleKind::Find);
  Enter("FindClose", h ? h->path : std::string());
  if (!h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DropHandle(hFindFile);
  return TRUE;
}
