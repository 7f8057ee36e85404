// Simulated program search: SearchPathA over the simulated files, the
// environment and the current folder.
//
// SearchPathA with a search path looks in those folders only; with none it
// takes Windows' order (the program's folder, the current folder, the system
// folder, the Windows folder, then PATH). The extension is added only to a
// name whose last part has no dot. A full path is checked as it stands.
#include <cstring>

#include "filesystem.h"
#include "machine.h"

namespace {

bool IsFullPath(const std::string& name) {
  return (name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/')) ||
         (name.size() >= 2 && name[0] == '\\' && name[1] == '\\');
}

std::string Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::vector<std::string> SplitFolders(const std::string& list) {
  std::vector<std::string> folders;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) folders.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

DWORD CopyOut(const std::string& text, DWORD size, LPSTR buffer) {
  if (text.size() + 1 > size) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

}  // namespace

namespace sim {

void SetEnvironmentVariable(const std::string& name, const std::string& value) { M().environment[name] = value; }
void SetCurrentFolder(const std::string& path) { M().currentFolder = path; }
std::string CurrentFolder() { return M().currentFolder; }

}  // namespace sim

using namespace sim;

DWORD SearchPathA(LPCSTR lpPath, LPCSTR lpFileName, LPCSTR lpExtension, DWORD nBufferLength, LPSTR lpBuffer,
                  LPSTR* lpFilePart) {
  Machine& m = M();
  std::string name = lpFileName ? lpFileName : "";
  if (Enter("SearchPathA", std::string(lpPath ? lpPath : "<default>") + "|" + name) || name.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  // A full path is first looked up as it stands, where a folder counts too
  // (as Wine's SearchPathW does), then with the extension.
  if (IsFullPath(name) && Attributes(name) != INVALID_FILE_ATTRIBUTES) {
    const std::string found = NormalPath(name);
    const DWORD result = CopyOut(found, nBufferLength, lpBuffer);
    if (lpFilePart && result < nBufferLength) lpFilePart[0] = lpBuffer + found.find_last_of('\\') + 1;
    return result;
  }
  const size_t slash = name.find_last_of("\\/");
  const size_t dot = name.find_last_of('.');
  if (lpExtension && (dot == std::string::npos || (slash != std::string::npos && dot < slash))) name += lpExtension;

  std::vector<std::string> candidates;
  if (IsFullPath(name)) {
    candidates.push_back(name);
  } else {
    std::vector<std::string> folders;
    if (lpPath) {
      folders = SplitFolders(lpPath);
    } else {
      folders = {m.modulePath.substr(0, m.modulePath.find_last_of('\\')), m.currentFolder, m.systemDir, m.windowsDir};
      auto path = m.environment.find("PATH");
      if (path != m.environment.end())
        for (const std::string& f : SplitFolders(path->second)) folders.push_back(f);
    }
    for (const std::string& folder : folders) candidates.push_back(Join(folder, name));
  }
  for (const std::string& candidate : candidates) {
    // A folder named in its short form is found as Windows finds it.
    if (!FileExists(candidate) && (candidate.find('~') == std::string::npos || !IsFile(candidate))) continue;
    const DWORD result = CopyOut(candidate, nBufferLength, lpBuffer);
    if (lpFilePart && result < nBufferLength) lpFilePart[0] = lpBuffer + candidate.find_last_of('\\') + 1;
    return result;
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return 0;
}

DWORD GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
  Enter("GetEnvironmentVariableA", lpName ? lpName : "");
  auto it = M().environment.find(lpName ? lpName : "");
  if (it == M().environment.end()) {
    SetLastError(203);  // ERROR_ENVVAR_NOT_FOUND
    return 0;
  }
  return CopyOut(it->second, nSize, lpBuffer);
}

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  Enter("GetCurrentDirectoryA");
  return CopyOut(M().currentFolder, nBufferLength, lpBuffer);
}
