// Simulated opening of files: CreateFileA with its access and share modes
// honoured against the launcher's other File handles and against the holds
// of other programs, ReadFile, SetFilePointer, and the checks that deletion and copying
// make against open files.
#include <algorithm>
#include <cstring>

#include "filesystem.h"

namespace sim {

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
  if (ProtectedFromUser(path)) return ERROR_ACCESS_DENIED;
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
  M().fileOpens.push_back(FileOpen{path, dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes});
  if (Enter("CreateFileA", path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const bool exists = IsFile(path);
  DWORD error = 0;
  if (TooLongForAnsiPath(lpFileName ? lpFileName : "")) {
    error = ERROR_FILENAME_EXCED_RANGE;
  } else if (!IsFolder(ParentOf(path))) {
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
  } else if (ProtectedFromUser(path) && ((dwDesiredAccess & (GENERIC_WRITE | 0x10000000)) || !exists ||
                                          dwCreationDisposition == CREATE_ALWAYS ||
                                          dwCreationDisposition == TRUNCATE_EXISTING)) {
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
  const bool fail = Enter("ReadFile", h ? h->path : std::string());
  // The other documented failure: the read succeeds with nothing read, as
  // at the end of the file (or of a file another program cut short).
  if (fail && h && M().readFailureReadsNothing) return TRUE;
  if (fail || !h) {
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

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh, DWORD dwMoveMethod) {
  HandleObject* h = Lookup(hFile, HandleKind::File);
  const bool fail = Enter("SetFilePointer", (h ? h->path : std::string()) + " " + std::to_string(lDistanceToMove));
  if (fail || !h) {
    SetLastError(h ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  // Without the high part the distance is a signed 32-bit value; with it,
  // the two make one signed 64-bit distance.
  int64_t distance = lDistanceToMove;
  if (lpDistanceToMoveHigh)
    distance = static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32 |
                                    static_cast<uint32_t>(lDistanceToMove));
  int64_t base = 0;
  if (dwMoveMethod == FILE_CURRENT) base = static_cast<int64_t>(h->position);
  else if (dwMoveMethod == FILE_END) base = static_cast<int64_t>(M().files[h->path].size());
  else if (dwMoveMethod != FILE_BEGIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  const int64_t to = base + distance;
  if (to < 0 || (!lpDistanceToMoveHigh && to > 0xFFFFFFFE)) {
    SetLastError(to < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  // Beyond the end is allowed: a read from there gives zero bytes.
  h->position = static_cast<size_t>(to);
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(to) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(static_cast<uint64_t>(to) & 0xFFFFFFFFu);
}
