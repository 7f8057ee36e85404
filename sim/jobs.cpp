// Simulated kernel32: the process list (ids, parents, the workers a program
// starts), suspended starts, job objects (with the two ways of counting a
// process asked to end, and the end of their processes with their last
// handle), the toolhelp process snapshot, and
// the loaded kernel32 whose late exports depend on the release posed: job
// objects from 2000 on, the process snapshot on 95, 98, Me and 2000 on (not
// on NT 4), process times on NT.
#include <cstddef>
#include <cstring>

#include "machine.h"

namespace sim {

namespace {

// What GetModuleHandleA gives for kernel32, loaded in every process.
HMODULE const kKernel32 = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7C800000));
bool Alive(const Process& p) { return p.endsAt > M().clock; }

// How long after TerminateProcess or TerminateJobObject returns a process
// has ended.
const DWORD kEndingMs = 10;

// A running process of `path`, started now by the process `parentId`.
std::shared_ptr<Process> AddProcess(const std::string& path, DWORD parentId, DWORD runsFor) {
  auto process = std::make_shared<Process>();
  process->id = M().nextWorkerId += 4;
  process->parentId = parentId;
  process->createdAt = M().clock;
  process->path = path;
  process->endsAt = runsFor == INFINITE ? INFINITE : M().clock + runsFor;
  M().processes.push_back(process);
  return process;
}

std::shared_ptr<Process> ById(DWORD id) {
  for (const auto& p : M().processes)
    if (p->id == id && Alive(*p)) return p;
  return nullptr;
}

// Whether the job still counts `p` among its running processes.
bool CountedInJob(const Process& p, int job) {
  return p.job == job && Alive(p) && (M().jobCountsEndAsked || !p.endAsked);
}

int ActiveInJob(int job) {
  int n = 0;
  for (const auto& p : M().processes)
    if (CountedInJob(*p, job)) ++n;
  return n;
}

void EndJobProcesses(int job, DWORD exitCode) {
  for (const auto& p : M().processes)
    if (p->job == job && Alive(*p)) {
      EndProcessSoon(*p, exitCode);
      p->endAsked = true;
    }
}

}  // namespace

void EndProcessSoon(Process& process, DWORD exitCode) {
  process.suspended = false;
  if (process.endsAt > M().clock + kEndingMs) process.endsAt = M().clock + kEndingMs;
  process.exitCode = exitCode;
}

void RunProcess(const std::shared_ptr<Process>& process) {
  Machine& m = M();
  process->suspended = false;
  process->endsAt = process->runsFor == INFINITE ? INFINITE : m.clock + process->runsFor;
  if (process->worker.empty()) return;
  // A job's process takes its children along.
  AddProcess(process->worker, process->id, process->runsFor)->job = process->job;
  process->worker.clear();
}

void JobHandleClosed(int job) {
  for (const auto& entry : M().handles)
    if (entry.second.kind == HandleKind::Job && entry.second.job == job) return;
  if (M().killOnJobClose.count(job)) EndJobProcesses(job, 0);
}

void JobCountsEndingProcesses(bool untilGone) { M().jobCountsEndAsked = untilGone; }

void SetProgramWorker(const std::string& path, const std::string& worker) { M().programs[path].worker = worker; }

void AddRunningProcess(const std::string& path, DWORD parentId) { AddProcess(path, parentId, INFINITE); }

bool InJob(const std::string& program) {
  for (const auto& p : M().processes)
    if (p->job && Alive(*p) && SameNoCase(p->path, program)) return true;
  return false;
}

std::vector<std::string> RunningPrograms() {
  std::vector<std::string> running;
  for (const auto& p : M().processes)
    if (Alive(*p)) running.push_back(p->path);
  return running;
}

}  // namespace sim

using namespace sim;

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
  if (!lpModuleName) return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x400000));
  if (SameNoCase(lpModuleName, "kernel32.dll") || SameNoCase(lpModuleName, "kernel32")) return kKernel32;
  if (HMODULE loaded = LoadedModule(lpModuleName)) return loaded;
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

namespace sim {

// The export of the loaded kernel32 named `name` that this file simulates,
// where the posed release has it; NULL otherwise.
FARPROC Kernel32Export(HMODULE module, const std::string& name) {
  if (module != kKernel32) return nullptr;
  const OSVERSIONINFOA& v = M().version;
  const bool nt = v.dwPlatformId == 2;
  const bool jobs = nt && v.dwMajorVersion >= 5;
  const bool snapshot = v.dwPlatformId == 1 || jobs;
  struct Export {
    const char* name;
    bool present;
    FARPROC function;
  };
  const Export exports[] = {
      {"CreateJobObjectA", jobs, AsExport(&CreateJobObjectA)},
      {"AssignProcessToJobObject", jobs, AsExport(&AssignProcessToJobObject)},
      {"TerminateJobObject", jobs, AsExport(&TerminateJobObject)},
      {"QueryInformationJobObject", jobs, AsExport(&QueryInformationJobObject)},
      {"SetInformationJobObject", jobs, AsExport(&SetInformationJobObject)},
      {"CreateToolhelp32Snapshot", snapshot, AsExport(&CreateToolhelp32Snapshot)},
      {"Process32First", snapshot, AsExport(&Process32First)},
      {"Process32Next", snapshot, AsExport(&Process32Next)},
      {"GetProcessTimes", nt, AsExport(&GetProcessTimes)},
  };
  for (const Export& e : exports)
    if (name == e.name) return e.present ? e.function : nullptr;
  return nullptr;
}

bool IsKernel32(HMODULE module) { return module == kKernel32; }

}  // namespace sim

DWORD ResumeThread(HANDLE hThread) {
  HandleObject* h = Lookup(hThread, HandleKind::Thread);
  if (Enter("ResumeThread", h ? h->path : std::string()) || !h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  if (!h->process->suspended) return 0;
  RunProcess(h->process);
  return 1;
}

HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL, DWORD dwProcessId) {
  const std::shared_ptr<Process> process = ById(dwProcessId);
  if (Enter("OpenProcess", (process ? process->path : std::to_string(dwProcessId)) + "|" +
                               std::to_string(dwDesiredAccess)) ||
      !process) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HandleObject obj(HandleKind::Process);
  obj.path = process->path;
  obj.process = process;
  obj.granted = dwDesiredAccess;
  return reinterpret_cast<HANDLE>(NewHandle(obj));
}

BOOL GetProcessTimes(HANDLE hProcess, FILETIME* lpCreationTime, FILETIME* lpExitTime, FILETIME* lpKernelTime,
                     FILETIME* lpUserTime) {
  HandleObject* h = Lookup(hProcess, HandleKind::Process);
  if (Enter("GetProcessTimes", h ? h->path : std::string()) || !h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // 100 ns units from the start of the virtual clock.
  const uint64_t created = static_cast<uint64_t>(h->process->createdAt) * 10000;
  lpCreationTime->dwLowDateTime = static_cast<DWORD>(created);
  lpCreationTime->dwHighDateTime = static_cast<DWORD>(created >> 32);
  std::memset(lpExitTime, 0, sizeof *lpExitTime);
  std::memset(lpKernelTime, 0, sizeof *lpKernelTime);
  std::memset(lpUserTime, 0, sizeof *lpUserTime);
  return TRUE;
}

HANDLE CreateJobObjectA(LPSECURITY_ATTRIBUTES, LPCSTR lpName) {
  if (Enter("CreateJobObjectA", lpName ? lpName : "")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  HandleObject obj(HandleKind::Job);
  obj.job = M().nextJob++;
  obj.path = "job " + std::to_string(obj.job);
  return reinterpret_cast<HANDLE>(NewHandle(obj));
}

// A process already in a job cannot join another (2000 and XP have no
// nested jobs): ERROR_ACCESS_DENIED.
BOOL AssignProcessToJobObject(HANDLE hJob, HANDLE hProcess) {
  HandleObject* job = Lookup(hJob, HandleKind::Job);
  HandleObject* process = Lookup(hProcess, HandleKind::Process);
  if (Enter("AssignProcessToJobObject", process ? process->path : std::string()) || !job || !process ||
      process->process->job != 0) {
    SetLastError(job && process ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  process->process->job = job->job;
  return TRUE;
}

BOOL TerminateJobObject(HANDLE hJob, UINT uExitCode) {
  HandleObject* job = Lookup(hJob, HandleKind::Job);
  const int id = job ? job->job : -1;
  std::string program;
  for (const auto& p : M().processes)
    if (p->job == id && program.empty()) program = p->path;
  if (Enter("TerminateJobObject", program + "|" + std::to_string(ActiveInJob(id)) + "|" + std::to_string(uExitCode)) ||
      !job) {
    SetLastError(job ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  EndJobProcesses(job->job, uExitCode);
  return TRUE;
}

// The ids of the processes the job counts, as many as fit after the two
// counts; ERROR_MORE_DATA when not all fit (the list then holds those that
// do), ERROR_BAD_LENGTH when not even the counts fit.
static BOOL ListJobProcesses(int job, LPVOID buffer, DWORD size, LPDWORD returned) {
  const size_t head = offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList);
  if (size < sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST)) {
    SetLastError(ERROR_BAD_LENGTH);
    return FALSE;
  }
  std::vector<ULONG_PTR> ids;
  for (const auto& p : M().processes)
    if (CountedInJob(*p, job)) ids.push_back(p->id);
  const size_t room = (size - head) / sizeof(ULONG_PTR);
  const size_t listed = ids.size() < room ? ids.size() : room;
  JOBOBJECT_BASIC_PROCESS_ID_LIST counts;
  counts.NumberOfAssignedProcesses = static_cast<DWORD>(ids.size());
  counts.NumberOfProcessIdsInList = static_cast<DWORD>(listed);
  std::memcpy(buffer, &counts, head);
  if (listed) std::memcpy(static_cast<char*>(buffer) + head, ids.data(), listed * sizeof(ULONG_PTR));
  if (returned) *returned = static_cast<DWORD>(head + listed * sizeof(ULONG_PTR));
  if (listed < ids.size()) {
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
  }
  return TRUE;
}

// Only the limit that ends the job's processes with its last handle is kept.
BOOL SetInformationJobObject(HANDLE hJob, JOBOBJECTINFOCLASS JobObjectInformationClass, LPVOID lpJobObjectInformation,
                             DWORD cbJobObjectInformationLength) {
  HandleObject* job = Lookup(hJob, HandleKind::Job);
  const JOBOBJECT_EXTENDED_LIMIT_INFORMATION* limits =
      static_cast<const JOBOBJECT_EXTENDED_LIMIT_INFORMATION*>(lpJobObjectInformation);
  const bool extended = JobObjectInformationClass == JobObjectExtendedLimitInformation &&
                        cbJobObjectInformationLength == sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION);
  const DWORD flags = extended ? limits->BasicLimitInformation.LimitFlags : 0;
  if (Enter("SetInformationJobObject", std::to_string(JobObjectInformationClass) + "|" + std::to_string(flags)) ||
      !job || !extended) {
    SetLastError(job ? ERROR_BAD_LENGTH : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (flags & JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE) M().killOnJobClose.insert(job->job);
  else M().killOnJobClose.erase(job->job);
  return TRUE;
}

BOOL QueryInformationJobObject(HANDLE hJob, JOBOBJECTINFOCLASS JobObjectInformationClass,
                               LPVOID lpJobObjectInformation, DWORD cbJobObjectInformationLength,
                               LPDWORD lpReturnLength) {
  HandleObject* job = Lookup(hJob, HandleKind::Job);
  if (Enter("QueryInformationJobObject") || !job) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (JobObjectInformationClass == JobObjectBasicProcessIdList)
    return ListJobProcesses(job->job, lpJobObjectInformation, cbJobObjectInformationLength, lpReturnLength);
  if (JobObjectInformationClass != JobObjectBasicAccountingInformation ||
      cbJobObjectInformationLength < sizeof(JOBOBJECT_BASIC_ACCOUNTING_INFORMATION)) {
    SetLastError(ERROR_BAD_LENGTH);
    return FALSE;
  }
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
  std::memset(&info, 0, sizeof info);
  info.ActiveProcesses = static_cast<DWORD>(ActiveInJob(job->job));
  std::memcpy(lpJobObjectInformation, &info, sizeof info);
  if (lpReturnLength) *lpReturnLength = sizeof info;
  return TRUE;
}

// The snapshot is taken at once: its findNames are "id|parent|path".
HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD) {
  if (Enter("CreateToolhelp32Snapshot") || dwFlags != TH32CS_SNAPPROCESS) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  HandleObject obj(HandleKind::Snapshot);
  obj.path = "process snapshot";
  obj.findNames.push_back(std::to_string(kLauncherProcessId) + "|0|" + M().modulePath);
  for (const auto& p : M().processes)
    if (Alive(*p)) obj.findNames.push_back(std::to_string(p->id) + "|" + std::to_string(p->parentId) + "|" + p->path);
  return reinterpret_cast<HANDLE>(NewHandle(obj));
}

static BOOL NextProcess(const char* function, HANDLE hSnapshot, PROCESSENTRY32* lppe, bool first) {
  HandleObject* h = Lookup(hSnapshot, HandleKind::Snapshot);
  if (Enter(function) || !h || lppe->dwSize != sizeof(PROCESSENTRY32)) {
    SetLastError(h ? ERROR_BAD_LENGTH : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (first) h->findNext = 0;
  if (h->findNext >= h->findNames.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  const std::string& entry = h->findNames[h->findNext++];
  const size_t bar = entry.find('|');
  const size_t bar2 = entry.find('|', bar + 1);
  std::memset(reinterpret_cast<char*>(lppe) + sizeof lppe->dwSize, 0, sizeof *lppe - sizeof lppe->dwSize);
  lppe->th32ProcessID = static_cast<DWORD>(std::stoul(entry.substr(0, bar)));
  lppe->th32ParentProcessID = static_cast<DWORD>(std::stoul(entry.substr(bar + 1, bar2 - bar - 1)));
  const std::string path = entry.substr(bar2 + 1);
  const std::string name = path.substr(path.find_last_of('\\') + 1);
  std::strncpy(lppe->szExeFile, name.c_str(), sizeof lppe->szExeFile - 1);
  return TRUE;
}

BOOL Process32First(HANDLE hSnapshot, PROCESSENTRY32* lppe) {
  return NextProcess("Process32First", hSnapshot, lppe, true);
}

BOOL Process32Next(HANDLE hSnapshot, PROCESSENTRY32* lppe) {
  return NextProcess("Process32Next", hSnapshot, lppe, false);
}
