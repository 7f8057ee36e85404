// Simulated run-time loading of DLLs, and a cfgmgr32.dll whose pending Plug
// and Play installations a test controls. A library exists only where
// DefineLibrary put it; every LoadLibraryA or LoadLibraryExA that succeeds
// holds a Module handle until FreeLibrary, so tests can count the libraries
// left loaded. A system library loaded (and the window system, when the
// first window is shown) looks for what it brings along by bare name, as
// the posed release's does; a copy taken from outside the system folder is
// noted, so tests can show that none is.
#include "machine.h"

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

// Where Windows finds a library named without a path: the program's own
// folder first, then the system folder, then the Windows folder. A name
// without an extension gets ".dll".
std::string Locate(const std::string& name) {
  sim::Machine& m = sim::M();
  if (name.find_first_of("\\/") != std::string::npos) return m.libraries.count(name) ? name : std::string();
  std::string file = name;
  if (file.find('.') == std::string::npos) file += ".dll";
  for (const std::string& folder : {FolderOf(m.modulePath), m.systemDir, m.windowsDir}) {
    const std::string candidate = Join(folder, file);
    if (m.libraries.count(candidate)) return candidate;
  }
  return std::string();
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// What a system library of the posed release looks for by bare name when it
// is loaded ("user32.dll": the window system at the first window), each name
// listed before what needs it (README, "Libraries a system library brings
// along", gives the sources):
// - 98 and Me: winspool.drv hands its calls to spoolss.dll, the router and
//   local provider in one; cfgmgr32.dll forwards nothing; no uxtheme.dll.
// - 2000 and XP: winspool.drv is the spooler service's RPC client (rpcrt4,
//   a KnownDLL); cfgmgr32.dll forwards to setupapi.dll, which needs rpcrt4;
//   XP's window system loads uxtheme.dll.
std::vector<std::string> BroughtAlong(const std::string& library) {
  const OSVERSIONINFOA& v = sim::M().version;
  const bool nt5 = v.dwPlatformId == VER_PLATFORM_WIN32_NT && v.dwMajorVersion == 5;
  const bool nineX = v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  const bool themes = nt5 && v.dwMinorVersion >= 1;
  if (sim::SameNoCase(library, "winspool.drv")) return nineX ? std::vector<std::string>{"spoolss.dll"} : std::vector<std::string>{"rpcrt4.dll"};
  if (sim::SameNoCase(library, "cfgmgr32.dll") && nt5) return {"rpcrt4.dll", "setupapi.dll"};
  if (sim::SameNoCase(library, "user32.dll") && themes) return {"uxtheme.dll"};
  return {};
}

// KnownDLLs of 2000 and XP: always the system folder's.
bool KnownOnPosedRelease(const std::string& name) {
  return sim::M().version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
         (sim::SameNoCase(name, "rpcrt4.dll") || sim::SameNoCase(name, "ole32.dll"));
}

bool ModuleLoaded(const std::string& name) {
  for (const auto& entry : sim::M().handles)
    if (entry.second.kind == sim::HandleKind::Module && sim::SameNoCase(BaseName(entry.second.path), name)) return true;
  return false;
}

// A load by bare name from within the process: a module of that base name
// already loaded is used; else the launcher's folder, the current folder
// (before the system folder on 98, Me, 2000 and XP before its second service
// pack) and the system folder are searched.
void LoadByBareName(const std::string& name) {
  sim::Machine& m = sim::M();
  if (ModuleLoaded(name) || sim::LoadedModule(name)) return;
  if (KnownOnPosedRelease(name)) {
    m.systemLoaded.push_back(Join(m.systemDir, name));
    return;
  }
  for (const std::string& folder : {FolderOf(m.modulePath), m.currentFolder, m.systemDir}) {
    const std::string candidate = Join(folder, name);
    if (!m.libraries.count(candidate) && !sim::FileExists(candidate)) continue;
    if (folder != m.systemDir) m.takenFromElsewhere.push_back(candidate);
    m.systemLoaded.push_back(candidate);
    return;
  }
}

// CMP_WaitNoPendingInstallEvents of the simulated cfgmgr32.dll.
DWORD SimWaitNoPendingInstallEvents(DWORD dwTimeout) {
  if (sim::Enter("CMP_WaitNoPendingInstallEvents", std::to_string(dwTimeout))) return WAIT_FAILED;
  sim::Machine& m = sim::M();
  if (m.pendingInstallsUntil <= m.clock) return WAIT_OBJECT_0;
  const DWORD remaining = m.pendingInstallsUntil - m.clock;
  if (dwTimeout != INFINITE && dwTimeout < remaining) {
    sim::AdvanceClock(dwTimeout);
    return WAIT_TIMEOUT;
  }
  sim::AdvanceClock(remaining);
  return WAIT_OBJECT_0;
}

// A Module handle on the library `name` names, or NULL (ERROR_MOD_NOT_FOUND).
HMODULE LoadModule(const std::string& name) {
  const std::string path = Locate(name);
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  sim::HandleObject obj(sim::HandleKind::Module);
  obj.path = path;
  const HMODULE module = reinterpret_cast<HMODULE>(sim::NewHandle(obj));
  if (sim::SameNoCase(FolderOf(path), sim::M().systemDir))
    for (const std::string& companion : BroughtAlong(BaseName(path))) LoadByBareName(companion);
  return module;
}

}  // namespace

namespace sim {

void DefineLibrary(const std::string& path, const std::vector<std::pair<std::string, FARPROC>>& exports) {
  Library& library = M().libraries[path];
  library.exports.clear();
  for (const auto& e : exports) library.exports[e.first] = e.second;
}

void InstallConfigManager(bool withExport) {
  std::vector<std::pair<std::string, FARPROC>> exports;
  if (withExport)
    exports.emplace_back("CMP_WaitNoPendingInstallEvents", sim::AsExport(&SimWaitNoPendingInstallEvents));
  DefineLibrary(Join(M().systemDir, "cfgmgr32.dll"), exports);
  // Where cfgmgr32's exports are forwarded to, and what that needs.
  for (const char* companion : {"setupapi.dll", "rpcrt4.dll"}) DefineLibrary(Join(M().systemDir, companion), {});
}

HMODULE LoadedModule(const std::string& name) {
  for (const auto& entry : M().handles)
    if (entry.second.kind == HandleKind::Module && SameNoCase(BaseName(entry.second.path), name))
      return reinterpret_cast<HMODULE>(entry.first);
  // What the system loaded stays for the process's life.
  for (size_t i = 0; i < M().systemLoaded.size(); ++i)
    if (SameNoCase(BaseName(M().systemLoaded[i]), name)) return reinterpret_cast<HMODULE>(0x7D000000 + 0x10000 * i);
  return nullptr;
}

void FirstWindowShown() {
  for (const std::string& companion : BroughtAlong("user32.dll")) LoadByBareName(companion);
}

const std::vector<std::string>& LibrariesTakenFromElsewhere() { return M().takenFromElsewhere; }

bool IsKnownDll(const std::string& name) { return KnownOnPosedRelease(name); }

void SetPendingInstallsUntil(DWORD atMs) { M().pendingInstallsUntil = atMs; }

std::string LibraryTrail() {
  const std::string folder = Join(M().systemDir, "");
  std::string trail;
  for (const Call& c : Calls()) {
    if (c.function != "LoadLibraryExA" && c.function != "FreeLibrary") continue;
    const bool inFolder = c.detail.compare(0, folder.size(), folder) == 0;
    trail += std::string(trail.empty() ? "" : " ") + (c.function == "FreeLibrary" ? "-" : "+") +
             c.detail.substr(inFolder ? folder.size() : 0);
  }
  return trail;
}

}  // namespace sim

using namespace sim;

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
  const std::string name = lpLibFileName ? lpLibFileName : "";
  if (Enter("LoadLibraryA", name)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return LoadModule(name);
}

// As LoadLibraryA for a full path; only the flag that has a full path's own
// folder searched first for the library's imports is known here, with no file
// handle (as Windows requires).
HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
  const std::string name = lpLibFileName ? lpLibFileName : "";
  if (Enter("LoadLibraryExA", name + "|" + std::to_string(dwFlags))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (hFile || (dwFlags & ~static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadModule(name);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  HandleObject* h = Lookup(hModule, HandleKind::Module);
  const bool byOrdinal = reinterpret_cast<uintptr_t>(lpProcName) <= 0xFFFF;
  const std::string name = byOrdinal ? "#" + std::to_string(reinterpret_cast<uintptr_t>(lpProcName)) : lpProcName;
  if (Enter("GetProcAddress", name)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  if (IsKernel32(hModule)) {
    FARPROC function = byOrdinal ? nullptr : Kernel32Export(hModule, name);
    if (!function) SetLastError(ERROR_PROC_NOT_FOUND);
    return function;
  }
  if (!h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto library = M().libraries.find(h->path);
  // Export names are case-sensitive, as on Windows.
  if (library == M().libraries.end() || byOrdinal || !library->second.exports.count(name)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return library->second.exports[name];
}

// Fails only for a handle that is not a loaded module: releasing cannot be
// made to fail, as closing a key or handle cannot.
BOOL FreeLibrary(HMODULE hLibModule) {
  HandleObject* h = Lookup(hLibModule, HandleKind::Module);
  Enter("FreeLibrary", h ? h->path : std::string());
  if (!h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DropHandle(hLibModule);
  return TRUE;
}
