/* Stands in for the package's own programs (side programs, installer,
 * clean-up tool): appends one line "MODULE PATH|COMMAND LINE" to a log
 * (C:\e2e-log.txt, or the file named by E2E_STUB_LOG) and ends with 0.
 * With E2E_STUB_SLEEP_MS set it first waits that long, to play a program
 * that takes its time. With E2E_STUB_SHOW set the line ends with
 * "|show=N", the show state it was started with, or "|show=default".
 *
 * With E2E_STUB_DETAILS set, the line goes on with what the program saw when
 * it started, for the installer's hand-off checks:
 *   |start_us=N|created_ms=N|pid=N|event=set,unset,absent|msiexec_read=yes,no|msiexec_write=yes,no
 * start_us is QueryPerformanceCounter in microseconds (one clock for every
 * process of the machine); created_ms is when its starter created the
 * process, in system time (the Wine server notes it at the CreateProcess
 * call, before the process is loaded); event is the completion event's
 * state; the msiexec fields tell whether the system folder's msiexec.exe can
 * be opened for reading and for writing (each open shares reading and
 * writing); pid its process id. The log is written when the program ends, with
 * |event_at_end=...|ended_ms=N added (N in system time): only a run that
 * ends by itself notes them, so one that another program ended never does.
 * The first run that finds C:\e2e-hang-once.txt deletes it, writes its line
 * without them and never ends:
 * as net.exe hands its command to net1.exe, it starts a worker (itself, with
 * E2E_STUB_WORKER set) that never ends, and waits for it. The worker holds
 * the event E2EHungWorker while it lives; a run that starts while it lives
 * notes its command line in C:\e2e-overlap.txt.
 *
 * E2E_STUB_EFFECTS plays the scripted effects of a plan's --effect:
 * "PROGRAM>REGFILE" entries separated by '|'; the run whose module is
 * PROGRAM (any letter case) imports REGFILE with regedit /S as it starts. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define COMPLETION_EVENT "HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}"

static double NowMicroseconds(void) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return (double)now.QuadPart * 1e6 / (double)frequency.QuadPart;
}

/* A FILETIME in milliseconds. */
static double Milliseconds(FILETIME time) {
  return (double)(((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime) / 10000.0;
}

static double NowMilliseconds(void) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return Milliseconds(now);
}

static const char *EventState(void) {
  HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, COMPLETION_EVENT);
  if (!event) return "absent";
  const char *state = WaitForSingleObject(event, 0) == WAIT_OBJECT_0 ? "set" : "unset";
  CloseHandle(event);
  return state;
}

static const char *CanOpen(const char *path, DWORD access) {
  HANDLE file = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return "no";
  CloseHandle(file);
  return "yes";
}

/* The start-up observations of E2E_STUB_DETAILS, appended to `details`. */
static void ObserveStart(char *details, size_t size) {
  char msiexec[MAX_PATH + 16] = "";
  UINT n = GetSystemDirectoryA(msiexec, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) msiexec[0] = 0;
  strcat(msiexec, "\\msiexec.exe");
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  snprintf(details, size, "|start_us=%.0f|created_ms=%.3f|pid=%lu|event=%s|msiexec_read=%s|msiexec_write=%s",
           NowMicroseconds(), Milliseconds(created), GetCurrentProcessId(), EventState(), CanOpen(msiexec, GENERIC_READ),
           CanOpen(msiexec, GENERIC_WRITE));
}

/* The hung run's worker: never ends, and says so through its event. */
static int RunWorker(void) {
  CreateEventA(NULL, TRUE, FALSE, "E2EHungWorker"); /* gone with the process */
  Sleep(INFINITE);
  return 0;
}

/* Starts a program and waits for it at most `ms`. */
static void StartAndWait(const char *application, char *command, DWORD ms) {
  STARTUPINFOA startup;
  PROCESS_INFORMATION info;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessA(application, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info)) return;
  WaitForSingleObject(info.hProcess, ms);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

static void StartWorkerAndWait(void) {
  char module[MAX_PATH] = "";
  GetModuleFileNameA(NULL, module, sizeof module - 1);
  SetEnvironmentVariableA("E2E_STUB_WORKER", "1");
  StartAndWait(module, NULL, INFINITE);
  Sleep(INFINITE);
}

/* Imports the .reg file that E2E_STUB_EFFECTS gives this module, and waits
 * for the import. */
static void ApplyEffect(const char *module) {
  char effects[4096];
  DWORD n = GetEnvironmentVariableA("E2E_STUB_EFFECTS", effects, sizeof effects);
  if (n == 0 || n >= sizeof effects) return;
  for (char *entry = strtok(effects, "|"); entry; entry = strtok(NULL, "|")) {
    char *file = strchr(entry, '>');
    if (!file) continue;
    *file++ = 0;
    if (lstrcmpiA(entry, module) != 0) continue;
    char command[1200];
    snprintf(command, sizeof command, "regedit.exe /S \"%s\"", file);
    StartAndWait(NULL, command, 60000);
  }
}

/* Appends `line` to the file at `path`, taking it exclusively (several
 * stubs may run at once), retrying. */
static void AppendLine(const char *path, const char *line) {
  HANDLE log = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 200 && log == INVALID_HANDLE_VALUE; ++attempt) {
    log = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE) Sleep(10);
  }
  if (log != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    SetFilePointer(log, 0, NULL, FILE_END);
    WriteFile(log, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(log);
  }
}

int main(void) {
  if (GetEnvironmentVariableA("E2E_STUB_WORKER", NULL, 0) > 0) return RunWorker();
  HANDLE worker = OpenEventA(SYNCHRONIZE, FALSE, "E2EHungWorker");
  if (worker) {
    char overlap[1200];
    snprintf(overlap, sizeof overlap, "%s\r\n", GetCommandLineA());
    AppendLine("C:\\e2e-overlap.txt", overlap);
    CloseHandle(worker);
  }
  char details[256] = "";
  if (GetEnvironmentVariableA("E2E_STUB_DETAILS", NULL, 0) > 0) ObserveStart(details, sizeof details);
  char module[1024] = "";
  GetModuleFileNameA(NULL, module, sizeof module - 1);
  const char *commandLine = GetCommandLineA();
  ApplyEffect(module);

  char logPath[1024] = "C:\\e2e-log.txt";
  DWORD n = GetEnvironmentVariableA("E2E_STUB_LOG", logPath, sizeof logPath);
  if (n == 0 || n >= sizeof logPath) strcpy(logPath, "C:\\e2e-log.txt");

  char sleepText[32];
  n = GetEnvironmentVariableA("E2E_STUB_SLEEP_MS", sleepText, sizeof sleepText);
  if (n > 0 && n < sizeof sleepText) Sleep((DWORD)strtoul(sleepText, NULL, 10));
  const BOOL hang = DeleteFileA("C:\\e2e-hang-once.txt");
  if (details[0] && !hang)
    snprintf(details + strlen(details), sizeof details - strlen(details), "|event_at_end=%s|ended_ms=%.3f", EventState(),
             NowMilliseconds());

  char show[32] = "";
  if (GetEnvironmentVariableA("E2E_STUB_SHOW", show, sizeof show) > 0) {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    if (startup.dwFlags & STARTF_USESHOWWINDOW)
      snprintf(show, sizeof show, "|show=%u", (unsigned)startup.wShowWindow);
    else
      strcpy(show, "|show=default");
  }

  char line[2600];
  snprintf(line, sizeof line, "%s|%s%s%s\r\n", module, commandLine, details, show);

  AppendLine(logPath, line);
  if (hang) {
    CreateEventA(NULL, TRUE, FALSE, "E2EHungStub"); /* gone with the process */
    StartWorkerAndWait();
  }
  return 0;
}
