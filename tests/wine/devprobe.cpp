// devprobe.exe: runs the launcher's device probes for real (under Wine) and
// prints what they answer, one line per command.
//
// The probes read VID_PID and GUIDUNDINF from the InstallInfo.ini beside this
// program, so a test copies it into a package folder of its own.
//
//   devprobe find-usb ROOT            FindUsbDevice(ROOT)            -> true|false
//   devprobe interfaces-settled ROOT  AreInterfacesSettled(ROOT)     -> true|false
//   devprobe find-class ROOT          FindDeviceWithSetupClass(ROOT) -> true|false
//   devprobe wizard-open              IsHardwareWizardOpen()         -> true|false
//   devprobe wait-pnp                 WaitNoPendingInstallEvents(INFINITE) -> its result, decimal
//   devprobe wait-hardware            WaitForHardwareSetup() in real time -> the ms it took
//   devprobe wait-printer             WaitForPrinterDevice() in real time -> the ms it took
//                                     (both create the file DEVPROBE_BEGAN names, when
//                                     set, as the wait begins)
//   devprobe os-kind                  the OsKind of the posed release -> a number
//   devprobe wait-pnp-bare            CMP_WaitNoPendingInstallEvents(0) of a
//                                     cfgmgr32.dll loaded by bare name (the
//                                     library a careless caller would get)
//                                     -> its result, or -1 when missing
//   devprobe match NAME               MatchesHardwareId(NAME)        -> true|false
//   devprobe vid-pid                  VID_PID as the information file gives it
//   devprobe acp                      the ANSI code page (GetACP)    -> a number
//   devprobe bench ROOT REPS          times FindUsbDevice(ROOT) and a bare
//                                     RegEnumKeyExA walk of ROOT, best of REPS:
//                                     "keys=N find_us=X floor_us=Y result=true|false
//                                      profile_us=.. open_us=.. version_us=.. match_us=.."
//                                     (per N: reads of VID_PID, opens of the
//                                     information file with its time stamp read,
//                                     release classifications, MatchesHardwareId)
//
// Exit status 0 when the command ran, 2 for a usage error.
#include <windows.h>
#include <mbctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "devices/settling_wait.h"
#include "devices/usb_probe.h"
#include "devices/wizard_watch.h"
#include "records/launcher_paths.h"
#include "records/os_version.h"
#include "records/records.h"

namespace {

const char* YesNo(bool value) { return value ? "true" : "false"; }

double Microseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// The floor of any walk over ROOT: open it and enumerate every subkey name,
// with the same 1024-byte buffer the probes use. -1 when ROOT does not open.
long WalkKeys(const char* root) {
  HKEY key = NULL;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, root, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
  long count = 0;
  char name[1024];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
    ++count;
  }
  RegCloseKey(key);
  return count;
}

// Best time in microseconds of `repetitions` runs of `work`.
template <typename Work>
double BestOf(int repetitions, const LARGE_INTEGER& frequency, Work work) {
  double best = 0;
  for (int i = 0; i < repetitions; ++i) {
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    work();
    QueryPerformanceCounter(&t1);
    const double us = Microseconds(t0, t1, frequency);
    if (i == 0 || us < best) best = us;
  }
  return best;
}

// FindUsbDevice over ROOT against the bare walk of ROOT, and, to tell where
// the difference goes, the parts of one key's test repeated once per key:
// the hardware-id list read from the information file, the release
// classification, and the whole MatchesHardwareId on a name that matches no id.
int Bench(const char* root, int repetitions) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  long keys = 0;
  bool found = false;
  const double floorUs = BestOf(repetitions, frequency, [&] { keys = WalkKeys(root); });
  const double findUs = BestOf(repetitions, frequency, [&] { found = FindUsbDevice(root); });
  volatile DWORD sink = 0;
  const double profileUs = BestOf(repetitions, frequency, [&] {
    char ids[1024];
    for (long i = 0; i < keys; ++i) {
      ReadInstallInfoValue(records::kVidPidKey, ids, sizeof ids);
      sink = sink + static_cast<unsigned char>(ids[0]);
    }
  });
  // What checking a cached profile file against the disk costs at least: open
  // the file, read its time stamp, close it.
  char iniPath[1024];
  BuildInstallInfoPath(iniPath, sizeof iniPath);
  const double openUs = BestOf(repetitions, frequency, [&] {
    for (long i = 0; i < keys; ++i) {
      HANDLE file = CreateFileA(iniPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
      if (file == INVALID_HANDLE_VALUE) continue;
      FILETIME written;
      if (GetFileTime(file, NULL, NULL, &written)) sink = sink + written.dwLowDateTime;
      CloseHandle(file);
    }
  });
  const double versionUs = BestOf(repetitions, frequency, [&] {
    for (long i = 0; i < keys; ++i) sink = sink + CurrentOsKind();
  });
  const double matchUs = BestOf(repetitions, frequency, [&] {
    for (long i = 0; i < keys; ++i) sink = sink + MatchesHardwareId("VID_1000&PID_0000");
  });
  printf("keys=%ld find_us=%.0f floor_us=%.0f result=%s profile_us=%.0f open_us=%.0f version_us=%.0f match_us=%.0f\n",
         keys, findUs, floorUs, YesNo(found), profileUs, openUs, versionUs, matchUs);
  return 0;
}

// What a load of cfgmgr32.dll by bare name, searched from this program's
// folder first, gives: the control for the planted-library check.
DWORD WaitThroughBareName() {
  typedef DWORD(WINAPI * WaitFunction)(DWORD);
  HMODULE library = LoadLibraryA("cfgmgr32.dll");
  if (!library) return static_cast<DWORD>(-1);
  WaitFunction wait =
      reinterpret_cast<WaitFunction>(reinterpret_cast<void*>(GetProcAddress(library, "CMP_WaitNoPendingInstallEvents")));
  const DWORD result = wait ? wait(0) : static_cast<DWORD>(-1);
  FreeLibrary(library);
  return result;
}

int Usage() {
  fprintf(stderr,
          "usage: devprobe find-usb|interfaces-settled|find-class ROOT\n"
          "       devprobe match NAME\n"
          "       devprobe vid-pid\n"
          "       devprobe wizard-open|wait-pnp|wait-pnp-bare|wait-hardware|wait-printer|os-kind|acp\n"
          "       devprobe bench ROOT REPS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The launcher's start-up selects the ANSI code page for the _mbs* routines;
  // the probes rely on it.
  _setmbcp(_MB_CP_ANSI);
  if (argc < 2) return Usage();
  const char* command = argv[1];
  const char* root = argc > 2 ? argv[2] : NULL;

  if (strcmp(command, "find-usb") == 0 && root) {
    printf("%s\n", YesNo(FindUsbDevice(root)));
  } else if (strcmp(command, "interfaces-settled") == 0 && root) {
    printf("%s\n", YesNo(AreInterfacesSettled(root)));
  } else if (strcmp(command, "find-class") == 0 && root) {
    printf("%s\n", YesNo(FindDeviceWithSetupClass(root)));
  } else if (strcmp(command, "match") == 0 && root) {
    printf("%s\n", YesNo(MatchesHardwareId(root)));
  } else if (strcmp(command, "vid-pid") == 0) {
    char ids[1024];
    ReadInstallInfoValue(records::kVidPidKey, ids, sizeof ids);
    printf("%s\n", ids);
  } else if (strcmp(command, "wizard-open") == 0) {
    printf("%s\n", YesNo(IsHardwareWizardOpen()));
  } else if (strcmp(command, "wait-pnp") == 0) {
    printf("%lu\n", static_cast<unsigned long>(WaitNoPendingInstallEvents(INFINITE)));
  } else if (strcmp(command, "wait-hardware") == 0 || strcmp(command, "wait-printer") == 0) {
    const DWORD start = GetTickCount();
    char began[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("DEVPROBE_BEGAN", began, sizeof began);
    if (n > 0 && n < sizeof began)
      CloseHandle(CreateFileA(began, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (command[5] == 'h') {
      WaitForHardwareSetup();
    } else {
      WaitForPrinterDevice();
    }
    printf("%lu\n", static_cast<unsigned long>(GetTickCount() - start));
  } else if (strcmp(command, "wait-pnp-bare") == 0) {
    printf("%lu\n", static_cast<unsigned long>(WaitThroughBareName()));
  } else if (strcmp(command, "os-kind") == 0) {
    printf("%lu\n", static_cast<unsigned long>(CurrentOsKind()));
  } else if (strcmp(command, "acp") == 0) {
    printf("%u\n", GetACP());
  } else if (strcmp(command, "bench") == 0 && root && argc > 3) {
    const int repetitions = atoi(argv[3]);
    if (repetitions < 1) return Usage();
    return Bench(root, repetitions);
  } else {
    return Usage();
  }
  fflush(stdout);
  return 0;
}
