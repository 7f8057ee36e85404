#include "platform/bounded_program.h"

#include <stddef.h>
#include <string.h>

#include "platform/start_program.h"

namespace {

// How long ended programs are given, all together, to be gone.
const DWORD kGoneLimitMs = 5000;
// Processes one ending waits for besides the program; a command starts one
// or two.
const int kMaxChildren = 16;
const DWORD kChildAccess = PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE;

unsigned long long FileTimeValue(const FILETIME& t) {
  return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// Processes that are being ended, waited for within one bound from the
// moment the first end was asked for.
class Ending {
 public:
  Ending() : count_(0), since_(GetTickCount()) {}
  bool Full() const { return count_ == kMaxChildren; }
  void Add(HANDLE process) { processes_[count_++].Reset(process); }
  void EndAll(UINT exitCode) {
    for (int i = 0; i < count_; ++i) TerminateProcess(processes_[i].get(), exitCode);
  }
  void WaitFor(HANDLE process) const {
    const DWORD waited = GetTickCount() - since_;
    WaitForSingleObject(process, waited < kGoneLimitMs ? kGoneLimitMs - waited : 0);
  }
  void WaitAll() const {
    for (int i = 0; i < count_; ++i) WaitFor(processes_[i].get());
  }

 private:
  ScopedHandle processes_[kMaxChildren];
  int count_;
  DWORD since_;
};

}  // namespace

BoundedProgram::BoundedProgram() : kernel_(BindLateKernel()), processId_(0), held_(false) {}

bool BoundedProgram::Start(const char* programPath, const char* commandLineText, bool endsWithLauncher) {
  if (kernel_.HasJobs()) job_.Reset(kernel_.CreateJobObjectA(NULL, NULL));
  if (job_.is_valid() && endsWithLauncher && kernel_.SetInformationJobObject) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    kernel_.SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  PROCESS_INFORMATION info;
  if (!StartProgramShown(programPath, commandLineText, SW_HIDE, job_.is_valid() ? CREATE_SUSPENDED : 0, &info))
    return false;
  process_.Reset(info.hProcess);
  thread_.Reset(info.hThread);
  processId_ = info.dwProcessId;
  if (job_.is_valid()) {
    // Without the job the program still runs; it is then ended by its id.
    if (!kernel_.AssignProcessToJobObject(job_.get(), process_.get())) job_.Close();
    held_ = ResumeThread(thread_.get()) == static_cast<DWORD>(-1);
  }
  return true;
}

bool BoundedProgram::WaitOrEnd(DWORD limitMs, UINT exitCode) {
  if (!process_.is_valid()) return true;
  if (WaitForSingleObject(process_.get(), held_ ? 0 : limitMs) == WAIT_OBJECT_0) return true;
  if (job_.is_valid() && EndJob(exitCode)) return false;
  if (kernel_.HasProcessList()) {
    EndWithChildren(exitCode);
  } else {
    Ending ending;
    TerminateProcess(process_.get(), exitCode);
    ending.WaitFor(process_.get());
  }
  return false;
}

// The job's processes are listed and opened before the job is ended: where
// a process leaves the list as soon as it is asked to end, it would not be
// found after. When the list cannot be read, the program alone is waited for.
bool BoundedProgram::EndJob(UINT exitCode) {
  union {
    JOBOBJECT_BASIC_PROCESS_ID_LIST list;
    ULONG_PTR room[2 + kMaxChildren];
  } ids;
  memset(&ids, 0, sizeof ids);
  Ending ending;
  if (kernel_.QueryInformationJobObject(job_.get(), JobObjectBasicProcessIdList, &ids, sizeof ids, NULL)) {
    const ULONG_PTR* id = reinterpret_cast<const ULONG_PTR*>(reinterpret_cast<const char*>(&ids) +
                                                             offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList));
    for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList && !ending.Full(); ++i) {
      if (id[i] == processId_) continue;
      const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id[i]));
      if (process) ending.Add(process);
    }
  }
  if (!kernel_.TerminateJobObject(job_.get(), exitCode)) return false;
  ending.WaitFor(process_.get());
  ending.WaitAll();
  return true;
}

// The program is ended and waited for first, so that it starts nothing
// more; then the programs whose parent id is its and which started after it
// (an id is used again once its process is gone: an older process with that
// parent id is another program's child) are ended and waited for.
void BoundedProgram::EndWithChildren(UINT exitCode) {
  Ending ending;
  TerminateProcess(process_.get(), exitCode);
  ending.WaitFor(process_.get());
  FILETIME created, exited, kernelTime, userTime;
  const bool timed = kernel_.GetProcessTimes(process_.get(), &created, &exited, &kernelTime, &userTime) != FALSE;
  ScopedHandle snapshot(kernel_.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry;
  memset(&entry, 0, sizeof entry);
  entry.dwSize = sizeof entry;
  bool more = timed && snapshot.is_valid() && kernel_.Process32First(snapshot.get(), &entry);
  for (; more && !ending.Full(); more = kernel_.Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID != processId_ || entry.th32ProcessID == processId_) continue;
    ScopedHandle child(OpenProcess(kChildAccess, FALSE, entry.th32ProcessID));
    FILETIME childCreated;
    if (!child.is_valid() ||
        !kernel_.GetProcessTimes(child.get(), &childCreated, &exited, &kernelTime, &userTime) ||
        FileTimeValue(childCreated) < FileTimeValue(created))
      continue;
    ending.Add(child.Release());
  }
  snapshot.Close();
  ending.EndAll(exitCode);
  ending.WaitAll();
}
