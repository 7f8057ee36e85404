// Functions of kernel32 that not every release exports, taken from the
// kernel32 already loaded in the process when first needed, so that
// Setup.exe still loads where they are missing: job objects and their
// limits (2000 on), the process snapshot (not on NT 4), process times (NT
// only).
#pragma once

#include "platform/win32.h"

struct LateKernel {
  HANDLE(WINAPI* CreateJobObjectA)(LPSECURITY_ATTRIBUTES, LPCSTR);
  BOOL(WINAPI* AssignProcessToJobObject)(HANDLE, HANDLE);
  BOOL(WINAPI* TerminateJobObject)(HANDLE, UINT);
  BOOL(WINAPI* QueryInformationJobObject)(HANDLE, JOBOBJECTINFOCLASS, LPVOID, DWORD, LPDWORD);
  BOOL(WINAPI* SetInformationJobObject)(HANDLE, JOBOBJECTINFOCLASS, LPVOID, DWORD);
  HANDLE(WINAPI* CreateToolhelp32Snapshot)(DWORD, DWORD);
  BOOL(WINAPI* Process32First)(HANDLE, PROCESSENTRY32*);
  BOOL(WINAPI* Process32Next)(HANDLE, PROCESSENTRY32*);
  BOOL(WINAPI* GetProcessTimes)(HANDLE, FILETIME*, FILETIME*, FILETIME*, FILETIME*);

  bool HasJobs() const {
    return CreateJobObjectA && AssignProcessToJobObject && TerminateJobObject && QueryInformationJobObject;
  }
  bool HasProcessList() const { return CreateToolhelp32Snapshot && Process32First && Process32Next && GetProcessTimes; }
};

// Looks each function up in the loaded kernel32 (GetModuleHandleA: nothing
// is loaded or searched for); a function the release lacks is NULL.
LateKernel BindLateKernel();
