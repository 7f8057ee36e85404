// Simulated file system: folders, attributes, creation order, files opened
// with access and share modes by the launcher (File handles) and by other
// programs (holds), reading, attributes, deletion and copying. Contents live
// in Machine::files; Machine::nodes holds every file and folder with its
// attributes. Drive roots ("C:") always exist.
#include <algorithm>
#include <cstring>

#include "filesystem.h"

namespace sim {

std::string NormalPath(const std::string& path) {
  std::string p = path;
  while (p.size() > 2 && p.back() == '\\') p.pop_back();
  if (p.size() == 3 && p[1] == ':' && p[2] == '\\') p.pop_back();
  return p;
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

static bool IsDriveRoot(const std::string& path) { return path.size() == 2 && path[1] == ':'; }

FsNode* FindNode(const std::string& path) {
  auto it = M().nodes.find(NormalPath(path));
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
    if (path.find('\\', prefix.size()) == std::string::npos)
      found.emplace_back(it->second.created, path.substr(prefix.size()));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  names.reserve(found.size());
  for (auto& e : found) names.push_back(std::move(e.second));
  return names;
}

// ---- opening and sharing --------------------------------------------------------

// Whether an opener with `access` and `share` can join one that holds the
// file with `heldAccess` and `heldShare`: each must share what the other uses.
static bool Compatible(DWORD access, DWORD share, DWORD heldAccess, DWORD heldShare) {
  if ((access & GENERIC_READ) && !(heldShare & FILE_SHARE_READ)) return false;
  if ((access & GENERIC_WRITE) && !(heldShare & FILE_SHARE_WRITE)) return false;
  if ((heldAccess & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
  if ((heldAccess & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
  return true;
}

bool SharingAllows(const std::string& path, DWORD access, DWORD share) {
  for (const auto& entry : M().handles) {
    const HandleObject& h = entry.second;
    if (h.kind == HandleKind::File && SameNoCase(h.path, path) && !Compatible(access, share, h.access, h.share))
      return false;
  }
  for (const FileHold& hold : M().holds)
    if (SameNoCase(hold.path, path) && !Compatible(access, share, hold.access, hold.share)) return false;
  return true;
}

// A file open without FILE_SHARE_DELETE cannot be deleted or replaced.
bool HeldAgainstDelete(const std::string& path) {
  for (const auto& entry : M().handles) {
    const HandleObject& h = entry.second;
    if (h.kind == HandleKind::File && SameNoCase(h.path, path) && !(h.share & FILE_SHARE_DELETE)) return true;
  }
  for (const FileHold& hold : M().holds)
    if (SameNoCase(hold.path, path) && !(hold.share & FILE_SHARE_DELETE)) return true;
  return false;
}

int HoldFile(const std::string& path, DWORD access, DWORD share) {
  const int id = M().nextHold++;
  M().holds.push_back(FileHold{id, NormalPath(path), access, share});
  return id;
}

void ReleaseFile(int hold) {
  auto& holds = M().holds;
  holds.erase(std::remove_if(holds.begin(), holds.end(), [hold](const FileHold& h) { return h.id == hold; }),
              holds.end());
}

bool OtherProgramCouldOpen(const std::string& path, DWORD access) {
  return IsFile(path) && SharingAllows(NormalPath(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

// Why `path` cannot be created or written as a file: 0 when it can.
DWORD WriteRefusal(const std::string& path, DWORD share) {
  if (!IsFolder(ParentOf(path))) return ERROR_PATH_NOT_FOUND;
  const FsNode* node = FindNode(path);
  if (!node) return 0;
  if (node->attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
  if (!SharingAllows(path, GENERIC_WRITE, share)) return ERROR_SHARING_VIOLATION;
  return 0;
}

}  // namespace sim

using namespace sim;

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
  const std::string path = NormalPath(lpFileName ? lpFileName : "");
  if (Enter("CreateFileA", path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const bool exists = IsFile(path);
  DWORD error = 0;
  if (!IsFolder(ParentOf(path))) {
    error = ERROR_PATH_NOT_FOUND;
  } else if (IsFolder(path)) {
    error = ERROR_ACCESS_DENIED;
  } else if (exists && dwCreationDisposition == CREATE_NEW) {
    error = ERROR_FILE_EXISTS;
  } else if (!exists && (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING)) {
    error = ERROR_FILE_NOT_FOUND;
  } else if (exists && (FindNode(path)->attributes & FILE_ATTRIBUTE_READONLY) &&
             ((dwDesiredAccess & GENERIC_WRITE) || dwCreationDisposition == CREATE_ALWAYS)) {
    error = ERROR_ACCESS_DENIED;
  } else if (exists && !SharingAllows(path, dwDesiredAccess, dwShareMode)) {
    error = ERROR_SHARING_VIOLATION;
  }
  if (error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  Machine& m = M();
  if (!exists) {
    m.files[path] = std::string();
    NoteFileWritten(path);
    const DWORD given = dwFlagsAndAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    FindNode(path)->attributes = given ? given : FILE_ATTRIBUTE_ARCHIVE;
  } else if (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING) {
    m.files[path].clear();
  }
  HandleObject obj(HandleKind::File);
  obj.path = path;
  obj.access = dwDesiredAccess;
  obj.share = dwShareMode;
  HANDLE h = reinterpret_cast<HANDLE>(NewHandle(obj));
  const bool reused = exists && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
  SetLastError(reused ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead, LPOVERLAPPED) {
  HandleObject* h = Lookup(hFile, HandleKind::File);
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  if (Enter("ReadFile", h ? h->path : std::string()) || !h) {
    SetLastError(h ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!(h->access & GENERIC_READ)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::string& content = M().files[h->path];
  const size_t from = std::min(h->position, content.size());
  const size_t n = std::min<size_t>(nNumberOfBytesToRead, content.size() - from);
  std::memcpy(lpBuffer, content.data() + from, n);
  h->position = from + n;
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(n);
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
  const std::string path = NormalPath(lpFileName ? lpFileName : "");
  if (Enter("GetFileAttributesA", path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_FILE_ATTRIBUTES;
  }
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    SetLastError(IsFolder(ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  return attributes;
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  const std::string path = NormalPath(lpFileName ? lpFileName : "");
  if (Enter("SetFileAttributesA", path + " " + std::to_string(dwFileAttributes))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!FindNode(path)) {
    SetLastError(IsFolder(ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  SetAttributes(path, dwFileAttributes);
  return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
  const std::string path = NormalPath(lpFileName ? lpFileName : "");
  if (Enter("DeleteFileA", path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD error = 0;
  const FsNode* node = FindNode(path);
  if (!node) {
    error = IsFolder(ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  } else if (node->attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
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
  if (Enter("CopyFileA", from + " -> " + to)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD error = 0;
  if (!IsFile(from)) {
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
