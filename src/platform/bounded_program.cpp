#include "platform/bounded_program.h"

#include <string.h>

#include "platform/start_program.h"

namespace {

// How long ended programs are given to be gone, and how often a job is
// asked whether any of its programs still runs.
const DWORD kGoneLimitMs = 5000;
const DWORD kGonePollMs = 50;
// Processes one ending is made for; a command starts one or two.
const int kMaxChildren = 16;
const DWORD kChildAccess = PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE;

unsigned long long FileTimeValue(const FILETIME& t) {
  return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

BoundedProgram::BoundedProgram() : kernel_(BindLateKernel()), processId_(0) {}

bool BoundedProgram::Start(const char* programPath, const char* commandLineText) {
  if (kernel_.HasJobs()) job_.Reset(kernel_.CreateJobObjectA(NULL, NULL));
  PROCESS_INFORMATION info;
  if (!StartProgramShown(programPath, commandLineText, SW_HIDE, job_.is_valid() ? CREATE_SUSPENDED : 0, &info))
    return false;
  process_.Reset(info.hProcess);
  thread_.Reset(info.hThread);
  processId_ = info.dwProcessId;
  if (job_.is_valid()) {
    // Without the job the program still runs; it is then ended by its id.
    if (!kernel_.AssignProcessToJobObject(job_.get(), process_.get())) job_.Close();
    ResumeThread(thread_.get());
  }
  return true;
}

bool BoundedProgram::WaitOrEnd(DWORD limitMs, UINT exitCode) {
  if (!process_.is_valid()) return true;
  if (WaitForSingleObject(process_.get(), limitMs) == WAIT_OBJECT_0) return true;
  if (job_.is_valid()) {
    EndJob(exitCode);
  } else if (kernel_.HasJobs() && kernel_.HasProcessList()) {
    EndWithChildren(exitCode);
  } else {
    EndAlone(exitCode);
  }
  return false;
}

void BoundedProgram::EndAlone(UINT exitCode) {
  TerminateProcess(process_.get(), exitCode);
  WaitForSingleObject(process_.get(), kGoneLimitMs);
}

// TerminateJobObject returns before the programs have ended: the job is
// asked until none runs.
void BoundedProgram::EndJob(UINT exitCode) {
  if (!kernel_.TerminateJobObject(job_.get(), exitCode)) return EndAlone(exitCode);
  for (DWORD waited = 0;; waited += kGonePollMs) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting;
    memset(&accounting, 0, sizeof accounting);
    if (!kernel_.QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &accounting,
                                           sizeof accounting, NULL)) {
      WaitForSingleObject(process_.get(), kGoneLimitMs);
      return;
    }
    if (accounting.ActiveProcesses == 0 || waited >= kGoneLimitMs) return;
    Sleep(kGonePollMs);
  }
}

// The programs whose parent id is the program's and which started after it
// (an id is used again once its process is gone: an older process with that
// parent id is another program's child), then the program itself.
void BoundedProgram::EndWithChildren(UINT exitCode) {
  FILETIME created, exited, kernelTime, userTime;
  const bool timed = kernel_.GetProcessTimes(process_.get(), &created, &exited, &kernelTime, &userTime) != FALSE;
  ScopedHandle children[kMaxChildren];
  int count = 0;
  ScopedHandle snapshot(kernel_.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry;
  memset(&entry, 0, sizeof entry);
  entry.dwSize = sizeof entry;
  bool more = timed && snapshot.is_valid() && kernel_.Process32First(snapshot.get(), &entry);
  for (; more && count < kMaxChildren; more = kernel_.Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID != processId_ || entry.th32ProcessID == processId_) continue;
    ScopedHandle child(OpenProcess(kChildAccess, FALSE, entry.th32ProcessID));
    FILETIME childCreated;
    if (!child.is_valid() ||
        !kernel_.GetProcessTimes(child.get(), &childCreated, &exited, &kernelTime, &userTime) ||
        FileTimeValue(childCreated) < FileTimeValue(created))
      continue;
    children[count++].Reset(child.Release());
  }
  snapshot.Close();
  TerminateProcess(process_.get(), exitCode);
  for (int i = 0; i < count; ++i) TerminateProcess(children[i].get(), exitCode);
  WaitForSingleObject(process_.get(), kGoneLimitMs);
  for (int i = 0; i < count; ++i) WaitForSingleObject(children[i].get(), kGoneLimitMs);
}
