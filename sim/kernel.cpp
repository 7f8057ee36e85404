// Simulated kernel32: module path, named events, processes, waits, the
// clock, version and system folders.
#include <cstddef>
#include <cstring>

#include "machine.h"

namespace sim {

// SetEvent's right: an event opened without it cannot be set.
const DWORD kEventModifyState = 0x0002;

void CreateOutsideEvent(const std::string& name, bool manualReset) {
  Event& e = M().events[name];
  e.manualReset = manualReset;
  e.references += 1;
}

bool EventExists(const std::string& name) { return M().events.count(name) != 0; }

bool EventSignaled(const std::string& name) {
  auto it = M().events.find(name);
  return it != M().events.end() && it->second.signaled;
}

int EventSetCount(const std::string& name) {
  auto it = M().events.find(name);
  return it == M().events.end() ? 0 : it->second.setCount;
}

const std::vector<ProcessStart>& ProcessStarts() { return M().starts; }

bool ProcessRunning(size_t start) {
  auto it = M().startedProcesses.find(start);
  return it != M().startedProcesses.end() && it->second->endsAt > M().clock;
}

int EndlessWaits() { return M().endlessWaits; }

void DefineProgram(const std::string& path, std::function<DWORD()> behaviour, DWORD runsForMs) {
  // A program defined again keeps the worker it starts and what a limited
  // user may do with it.
  const auto known = M().programs.find(path);
  Program program{std::move(behaviour), runsForMs, {}, {}, 0};
  if (known != M().programs.end()) {
    program.worker = known->second.worker;
    program.limitedUserExitCode = known->second.limitedUserExitCode;
  }
  M().programs[path] = std::move(program);
}

// Which file Windows would run for a command line given without an
// application name: a quoted first token as it stands; otherwise each prefix
// ending at a blank in turn, with ".exe" added when it has no extension.
std::string ResolveCommandLine(const std::string& cmd) {
  auto withExe = [](std::string p) {
    size_t slash = p.find_last_of('\\');
    size_t dot = p.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) p += ".exe";
    return p;
  };
  if (!cmd.empty() && cmd[0] == '"') {
    size_t close = cmd.find('"', 1);
    return withExe(cmd.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  }
  size_t pos = 0;
  for (;;) {
    size_t blank = cmd.find(' ', pos);
    std::string candidate = withExe(cmd.substr(0, blank));
    if (FileExists(candidate) || blank == std::string::npos) return candidate;
    pos = blank + 1;
  }
}

}  // namespace sim

using namespace sim;

DWORD GetModuleFileNameA(HMODULE, LPSTR lpFilename, DWORD nSize) {
  if (Enter("GetModuleFileNameA")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  const std::string& path = M().modulePath;
  if (path.size() < nSize) {
    std::memcpy(lpFilename, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
  }
  // As Windows XP does: the name is cut to the buffer and left unterminated.
  std::memcpy(lpFilename, path.data(), nSize);
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return nSize;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) {
  std::string name = lpName ? lpName : "";
  M().eventCreates.push_back(EventCreate{name, bManualReset != FALSE, bInitialState != FALSE});
  if (Enter("CreateEventA", name)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (lpName && TooLongForObjectName(name)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  HandleObject obj(HandleKind::Event);
  obj.path = name;
  obj.granted = EVENT_ALL_ACCESS;
  auto& events = M().events;
  if (lpName && events.count(name)) {
    events[name].references += 1;
    HANDLE h = reinterpret_cast<HANDLE>(NewHandle(obj));
    SetLastError(ERROR_ALREADY_EXISTS);
    return h;
  }
  if (!lpName) obj.path = "<unnamed#" + std::to_string(M().nextHandle) + ">";
  Event& e = events[obj.path];
  e.manualReset = bManualReset != 0;
  e.signaled = bInitialState != 0;
  e.references = 1;
  HANDLE h = reinterpret_cast<HANDLE>(NewHandle(obj));
  SetLastError(ERROR_SUCCESS);
  return h;
}

HANDLE OpenEventA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName) {
  std::string name = lpName ? lpName : "";
  M().eventOpens.push_back(EventOpen{name, dwDesiredAccess, bInheritHandle});
  if (Enter("OpenEventA", name)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  auto it = M().events.find(name);
  if (it == M().events.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  it->second.references += 1;
  HandleObject obj(HandleKind::Event);
  obj.path = name;
  obj.granted = dwDesiredAccess;
  return reinterpret_cast<HANDLE>(NewHandle(obj));
}

BOOL SetEvent(HANDLE hEvent) {
  HandleObject* h = Lookup(hEvent, HandleKind::Event);
  if (Enter("SetEvent", h ? h->path : std::string()) || !h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!HandleAllows(hEvent, kEventModifyState)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Event& e = M().events[h->path];
  e.signaled = true;
  e.setCount += 1;
  return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
  HandleObject* h = Lookup(hObject, HandleKind::Any);
  Enter("CloseHandle", h ? h->path : std::string());
  // Registry keys and searches have closers of their own.
  if (!h || h->kind == HandleKind::Key || h->kind == HandleKind::Find) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (h->kind == HandleKind::Event) {
    auto it = M().events.find(h->path);
    if (it != M().events.end() && --it->second.references <= 0) M().events.erase(it);
  }
  const int job = h->kind == HandleKind::Job ? h->job : 0;
  DropHandle(hObject);
  if (job) JobHandleClosed(job);
  return TRUE;
}

DWORD GetLastError(void) { return M().lastError; }
void SetLastError(DWORD dwErrCode) { M().lastError = dwErrCode; }

BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment, LPCSTR lpCurrentDirectory,
                    STARTUPINFOA* lpStartupInfo, PROCESS_INFORMATION* lpProcessInformation) {
  Machine& m = M();
  ProcessStart start{};
  start.applicationNameNull = lpApplicationName == nullptr;
  start.applicationName = lpApplicationName ? lpApplicationName : "";
  start.commandLine = lpCommandLine ? lpCommandLine : "";
  start.inheritHandles = bInheritHandles;
  start.creationFlags = dwCreationFlags;
  start.environmentNull = lpEnvironment == nullptr;
  start.currentDirectoryNull = lpCurrentDirectory == nullptr;
  start.startupInfoSize = lpStartupInfo ? lpStartupInfo->cb : 0;
  // Windows reads only as much of the record as its size field claims: a
  // record whose size leaves out the show state starts the program as if
  // none were given.
  const bool showStateRead =
      start.startupInfoSize >= offsetof(STARTUPINFOA, wShowWindow) + sizeof lpStartupInfo->wShowWindow;
  start.startupFlags = showStateRead ? lpStartupInfo->dwFlags : 0;
  start.showWindow = showStateRead ? lpStartupInfo->wShowWindow : 0;
  start.time = m.clock;
  const bool fail = Enter("CreateProcessA", start.commandLine);
  std::string program = lpApplicationName ? start.applicationName : ResolveCommandLine(start.commandLine);
  const bool tooLong = lpApplicationName && TooLongForAnsiPath(lpApplicationName);
  start.started = !fail && !tooLong && FileExists(program);
  start.applicationName = start.applicationNameNull ? program : start.applicationName;
  m.starts.push_back(start);
  if (!start.started) {
    SetLastError(fail ? ERROR_ACCESS_DENIED : tooLong ? ERROR_FILENAME_EXCED_RANGE : ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  auto process = std::make_shared<Process>();
  process->id = static_cast<DWORD>(m.starts.size() * 4 + 100);
  process->parentId = kLauncherProcessId;
  process->createdAt = m.clock;
  process->path = program;
  process->suspended = (dwCreationFlags & CREATE_SUSPENDED) != 0;
  auto def = m.programs.find(program);
  if (def != m.programs.end()) {
    if (def->second.behaviour) process->exitCode = def->second.behaviour();
    DWORD runsFor = def->second.runsForMs;
    for (const auto& when : def->second.runsForWhen)
      if (start.commandLine.find(when.first) != std::string::npos) runsFor = when.second;
    process->runsFor = runsFor;
    process->worker = def->second.worker;
    if (def->second.limitedUserExitCode && LimitedUserOnNt()) {
      process->exitCode = def->second.limitedUserExitCode;
      process->runsFor = 0;
      process->worker.clear();
    }
  }
  // A suspended process does not run, and so never ends by itself.
  process->endsAt = INFINITE;
  m.starts.back().runningAtStart = RunningPrograms();
  m.startedProcesses[m.starts.size() - 1] = process;
  m.processes.push_back(process);
  if (!process->suspended) RunProcess(process);
  HandleObject p(HandleKind::Process);
  p.path = program;
  p.process = process;
  HandleObject t = p;
  t.kind = HandleKind::Thread;
  lpProcessInformation->hProcess = reinterpret_cast<HANDLE>(NewHandle(p));
  lpProcessInformation->hThread = reinterpret_cast<HANDLE>(NewHandle(t));
  lpProcessInformation->dwProcessId = process->id;
  lpProcessInformation->dwThreadId = lpProcessInformation->dwProcessId + 2;
  return TRUE;
}

// The detail is the object's name or program and the limit ("INFINITE" or ms).
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  HandleObject* h = Lookup(hHandle, HandleKind::Any);
  const std::string limit = dwMilliseconds == INFINITE ? "INFINITE" : std::to_string(dwMilliseconds);
  if (Enter("WaitForSingleObject", (h ? h->path : std::string()) + "|" + limit) || !h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  Machine& m = M();
  if (h->kind == HandleKind::Process || h->kind == HandleKind::Thread) {
    DWORD endsAt = h->process->endsAt;
    if (endsAt <= m.clock) return WAIT_OBJECT_0;
    if (dwMilliseconds != INFINITE && m.clock + dwMilliseconds < endsAt) {
      AdvanceClock(dwMilliseconds);
      return WAIT_TIMEOUT;
    }
    if (endsAt == INFINITE) {
      // Nothing will end it: reported as a failure rather than hang the test.
      m.endlessWaits += 1;
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    AdvanceClock(endsAt - m.clock);
    return WAIT_OBJECT_0;
  }
  if (h->kind == HandleKind::Event) {
    Event& e = m.events[h->path];
    if (e.signaled) {
      if (!e.manualReset) e.signaled = false;
      return WAIT_OBJECT_0;
    }
    // Nothing else runs in the simulation to set it: an endless wait would
    // hang the test, so it is reported as a failure instead.
    if (dwMilliseconds == INFINITE) {
      m.endlessWaits += 1;
      return WAIT_FAILED;
    }
    AdvanceClock(dwMilliseconds);
    return WAIT_TIMEOUT;
  }
  return WAIT_FAILED;
}

// A process that has already ended is not ended again (FALSE,
// ERROR_ACCESS_DENIED).
BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) {
  HandleObject* h = Lookup(hProcess, HandleKind::Process);
  if (Enter("TerminateProcess", (h ? h->path : std::string()) + "|" + std::to_string(uExitCode)) || !h) {
    SetLastError(h ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Process& process = *h->process;
  if (process.endsAt <= M().clock) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  EndProcessSoon(process, uExitCode);
  return TRUE;
}

void Sleep(DWORD dwMilliseconds) {
  Enter("Sleep", std::to_string(dwMilliseconds));
  AdvanceClock(dwMilliseconds);
}

DWORD GetTickCount(void) { return M().clock; }

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  if (Enter("GetVersionExA") || lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *lpVersionInformation = M().version;
  return TRUE;
}

static UINT CopyFolder(const std::string& folder, LPSTR buffer, UINT size) {
  if (folder.size() >= size) return static_cast<UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return static_cast<UINT>(folder.size());
}

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
  if (Enter("GetSystemDirectoryA")) return 0;
  return CopyFolder(M().systemDir, lpBuffer, uSize);
}

UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  if (Enter("GetWindowsDirectoryA")) return 0;
  return CopyFolder(M().windowsDir, lpBuffer, uSize);
}
