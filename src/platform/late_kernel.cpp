#include "platform/late_kernel.h"

#include <string.h>

namespace {

template <typename T>
void Bind(HMODULE kernel, const char* name, T* function) {
  *function = kernel ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : NULL;
}

}  // namespace

LateKernel BindLateKernel() {
  LateKernel k;
  memset(&k, 0, sizeof k);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  Bind(kernel, "CreateJobObjectA", &k.CreateJobObjectA);
  Bind(kernel, "AssignProcessToJobObject", &k.AssignProcessToJobObject);
  Bind(kernel, "TerminateJobObject", &k.TerminateJobObject);
  Bind(kernel, "QueryInformationJobObject", &k.QueryInformationJobObject);
  Bind(kernel, "SetInformationJobObject", &k.SetInformationJobObject);
  Bind(kernel, "CreateToolhelp32Snapshot", &k.CreateToolhelp32Snapshot);
  Bind(kernel, "Process32First", &k.Process32First);
  Bind(kernel, "Process32Next", &k.Process32Next);
  Bind(kernel, "GetProcessTimes", &k.GetProcessTimes);
  return k;
}
