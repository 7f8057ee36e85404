// Simulated file system: folders, attributes, creation order, deletion and
// copying. Contents live in Machine::files; Machine::nodes holds every file
// and folder with its attributes. Drive roots ("C:") always exist. Opening,
// sharing and reading are in sim/file_open.cpp.
#include <algorithm>
#include <cstring>

#include "filesystem.h"

namespace sim {

size_t LastSeparator(const std::string& path, size_t end) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < end && i < path.size(); ++i) {
    if (path[i] == '\\') last = i;
    else if (IsAnsiLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) ++i;
  }
  return last;
}

// As Windows reads a path: the last part loses its trailing blanks and dots
// ("C:\Maker\Uninst " is C:\Maker\Uninst), but "." and ".." stay; a
// backslash that is the second byte of a double-byte character is no
// separator.
std::string NormalPath(const std::string& path) {
  std::string p = path;
  while (p.size() > 2 && p.back() == '\\' && LastSeparator(p, p.size()) == p.size() - 1) p.pop_back();
  const size_t slash = LastSeparator(p, p.size());
  const size_t partStart = slash == std::string::npos ? 0 : slash + 1;
  if (p.find_first_not_of('.', partStart) != std::string::npos)
    while (p.size() > partStart + 1 && (p.back() == ' ' || p.back() == '.')) p.pop_back();
  if (p.size() == 3 && p[1] == ':' && p[2] == '\\') p.pop_back();
  return p;
}

std::string WindowsPath(const std::string& path) { return NormalPath(path); }

std::string ParentOf(const std::string& path) {
  const size_t slash = LastSeparator(path, path.size());
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

static bool IsDriveRoot(const std::string& path) { return path.size() == 2 && path[1] == ':'; }

// A part named in its short form is found as Windows finds it.
FsNode* FindNode(const std::string& path) {
  const std::string normal = NormalPath(path);
  auto it = M().nodes.find(normal);
  if (it == M().nodes.end() && normal.find('~') != std::string::npos) it = M().nodes.find(LongFormOf(normal));
  return it == M().nodes.end() ? nullptr : &it->second;
}

bool IsFolder(const std::string& path) {
  const std::string p = NormalPath(path);
  if (IsDriveRoot(p)) return true;
  const FsNode* node = FindNode(p);
  return node && (node->attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path) {
  const FsNode* node = FindNode(path);
  return node && !(node->attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateFolder(const std::string& path) {
  const std::string p = NormalPath(path);
  if (p.empty() || IsDriveRoot(p) || FindNode(p)) return;
  CreateFolder(ParentOf(p));
  M().nodes[p] = FsNode{FILE_ATTRIBUTE_DIRECTORY, M().nextCreation++};
}

bool FolderExists(const std::string& path) { return IsFolder(path); }

void NoteFileWritten(const std::string& path) {
  const std::string p = NormalPath(path);
  if (FindNode(p)) return;
  CreateFolder(ParentOf(p));
  M().nodes[p] = FsNode{FILE_ATTRIBUTE_ARCHIVE, M().nextCreation++};
}

void NoteFileRemoved(const std::string& path) { M().nodes.erase(NormalPath(path)); }

DWORD Attributes(const std::string& path) {
  if (IsDriveRoot(NormalPath(path))) return FILE_ATTRIBUTE_DIRECTORY;
  const FsNode* node = FindNode(path);
  if (!node) return INVALID_FILE_ATTRIBUTES;
  return node->attributes ? node->attributes : FILE_ATTRIBUTE_NORMAL;
}

void SetAttributes(const std::string& path, DWORD attributes) {
  FsNode* node = FindNode(path);
  if (!node) return;
  const DWORD folder = node->attributes & FILE_ATTRIBUTE_DIRECTORY;
  // FILE_ATTRIBUTE_NORMAL is "no attribute"; it is never stored with others.
  node->attributes = folder | (attributes & ~(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY));
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  // Under a case-insensitive order the paths that begin with "folder\" are
  // neighbours; direct entries are those without a further backslash.
  const std::string prefix = NormalPath(folder) + "\\";
  std::vector<std::pair<uint64_t, std::string>> found;
  const auto& nodes = M().nodes;
  for (auto it = nodes.lower_bound(prefix); it != nodes.end(); ++it) {
    const std::string& path = it->first;
    if (path.size() < prefix.size() || !SameNoCase(path.substr(0, prefix.size()), prefix)) break;
    if (LastSeparator(path, path.size()) < prefix.size())
      found.emplace_back(it->second.created, path.substr(prefix.size()));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  names.reserve(found.size());
  for (auto& e : found) names.push_back(std::move(e.second));
  return names;
}

}  // namespace sim

using namespace sim;

DWORD GetFileAttributesA(LPCSTR lpFileName) {
  const std::string path = NormalPath(lpFileName ? lpFileName : "");
  if (Enter("GetFileAttributesA", path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (TooLongForAnsiPath(lpFileName ? lpFileName : "")) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return INVALID_FILE_ATTRIBUTES;
  }
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    SetLastError(IsFolder(ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  return attributes;
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  const std::string path = NormalPath(lpFileName ? lpFileName : "");
  DWORD& error = M().lastAttributesError;
  if (Enter("SetFileAttributesA", path + " " + std::to_string(dwFileAttributes))) {
    error = ERROR_ACCESS_DENIED;
  } else if (TooLongForAnsiPath(lpFileName ? lpFileName : "")) {
    error = ERROR_FILENAME_EXCED_RANGE;
  } else if (!FindNode(path)) {
    error = IsFolder(ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  } else if (ProtectedFromUser(path)) {
    error = ERROR_ACCESS_DENIED;
  } else {
    error = 0;
    SetAttributes(path, dwFileAttributes);
    return TRUE;
  }
  SetLastError(error);
  return FALSE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
  const std::string path = NormalPath(lpFileName ? lpFileName : "");
  if (Enter("DeleteFileA", path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD error = 0;
  const FsNode* node = FindNode(path);
  if (TooLongForAnsiPath(lpFileName ? lpFileName : "")) {
    error = ERROR_FILENAME_EXCED_RANGE;
  } else if (!node) {
    error = IsFolder(ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  } else if ((node->attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) || ProtectedFromUser(path)) {
    error = ERROR_ACCESS_DENIED;
  } else if (HeldAgainstDelete(path)) {
    error = ERROR_SHARING_VIOLATION;
  }
  if (error) {
    SetLastError(error);
    return FALSE;
  }
  RemoveFile(path);
  return TRUE;
}

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
  const std::string from = NormalPath(lpExistingFileName ? lpExistingFileName : "");
  const std::string to = NormalPath(lpNewFileName ? lpNewFileName : "");
  M().fileCopies.push_back(FileCopy{from, to, bFailIfExists != FALSE});
  if (Enter("CopyFileA", from + " -> " + to)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD error = 0;
  if (TooLongForAnsiPath(lpExistingFileName ? lpExistingFileName : "") || TooLongForAnsiPath(lpNewFileName ? lpNewFileName : "")) {
    error = ERROR_FILENAME_EXCED_RANGE;
  } else if (!IsFile(from)) {
    error = IsFolder(from) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
  } else if (!SharingAllows(from, GENERIC_READ, FILE_SHARE_READ)) {
    error = ERROR_SHARING_VIOLATION;
  } else if (FindNode(to) && bFailIfExists) {
    error = ERROR_FILE_EXISTS;
  } else {
    error = WriteRefusal(to, 0);
  }
  if (error) {
    SetLastError(error);
    return FALSE;
  }
  // The copy takes the source's contents and attributes; a replaced file
  // keeps its place in the folder.
  Machine& m = M();
  m.files[to] = m.files[from];
  NoteFileWritten(to);
  FindNode(to)->attributes = FindNode(from)->attributes;
  return TRUE;
}
