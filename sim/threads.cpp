// Simulated thread and process priority of the launcher itself. The current
// thread and process are reached through the pseudo handles -2 and -1, as on
// Windows; every change is recorded in the call log with its value.
#include "machine.h"

namespace {

const intptr_t kCurrentProcess = -1;
const intptr_t kCurrentThread = -2;
const int kThreadPriorityErrorReturn = 0x7FFFFFFF;

bool IsCurrent(HANDLE handle, intptr_t pseudo) { return reinterpret_cast<intptr_t>(handle) == pseudo; }

bool ValidThreadPriority(int priority) {
  return (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST) || priority == 15 ||
         priority == -15;
}

bool ValidPriorityClass(DWORD value) {
  switch (value) {
    case 0x20: case 0x40: case 0x80: case 0x100: case 0x4000: case 0x8000: return true;
    default: return false;
  }
}

}  // namespace

namespace sim {

int ThreadPriority() { return M().threadPriority; }
DWORD ProcessPriorityClass() { return M().priorityClass; }

}  // namespace sim

using namespace sim;

// The pseudo handles cannot fail on Windows; the calls are only recorded.
HANDLE GetCurrentThread(void) {
  Enter("GetCurrentThread");
  return reinterpret_cast<HANDLE>(kCurrentThread);
}

HANDLE GetCurrentProcess(void) {
  Enter("GetCurrentProcess");
  return reinterpret_cast<HANDLE>(kCurrentProcess);
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority) {
  if (Enter("SetThreadPriority", std::to_string(nPriority))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!ValidThreadPriority(nPriority)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (IsCurrent(hThread, kCurrentThread)) {
    M().threadPriority = nPriority;
    return TRUE;
  }
  // A thread of a started program: accepted, its priority is not modelled.
  if (Lookup(hThread, HandleKind::Thread)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

int GetThreadPriority(HANDLE hThread) {
  if (Enter("GetThreadPriority") || !IsCurrent(hThread, kCurrentThread)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return kThreadPriorityErrorReturn;
  }
  return M().threadPriority;
}

BOOL SetPriorityClass(HANDLE hProcess, DWORD dwPriorityClass) {
  if (Enter("SetPriorityClass", std::to_string(dwPriorityClass))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!ValidPriorityClass(dwPriorityClass)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (IsCurrent(hProcess, kCurrentProcess)) {
    M().priorityClass = dwPriorityClass;
    return TRUE;
  }
  if (Lookup(hProcess, HandleKind::Process)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

DWORD GetPriorityClass(HANDLE hProcess) {
  if (Enter("GetPriorityClass") || !IsCurrent(hProcess, kCurrentProcess)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return M().priorityClass;
}
