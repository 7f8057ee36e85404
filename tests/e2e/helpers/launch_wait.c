/* Plays the program that waits for the launcher: creates the completion
 * event (manual reset, not set), optionally creates and holds other named
 * events (e.g. another launcher's instance event), starts the launcher and
 * waits for it with a time limit. Prints one line:
 *   event=set|unset|none launcher=ended|running exit=N acp=N
 * (acp: the ANSI code page this process, and so the launcher, runs in).
 *
 * Usage: launch_wait [--timeout MS] [--hold NAME]... [--no-completion]
 *                    [--timing] [--watch FILE] [--end] PROGRAM [ARGUMENT TEXT]
 * The launcher gets the command line "PROGRAM" ARGUMENT TEXT, so its own
 * view of the arguments is exactly ARGUMENT TEXT. Exit status: 0 when the
 * launcher ended within the limit, 1 when it still runs, 2 on a usage or
 * start error. With --end a launcher still running at the limit is ended
 * (TerminateProcess) once reported, so that nothing waits on it further.
 *
 * --timing adds to the line, for the benchmarks: start_us (just before the
 * start), event_us (when the completion event was seen set, or -1), end_us
 * (when the program had ended), all QueryPerformanceCounter microseconds.
 * (Wine reports no CPU times of another process: GetProcessTimes gives 0.)
 *
 * --watch FILE writes into FILE, once the launcher has ended, one line for
 * every program it started and every program those started (looked for
 * every 25 ms while it ran): "pid=N|parent=N|exit=N|ended_ms=N" (its exit
 * code and time, in system time) for one that had ended by then,
 * "pid=N|parent=N|running" for one still running. */
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define COMPLETION_EVENT "HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}"
#define MAX_HELD 8
#define MAX_WATCHED 64
#define WATCH_MS 25

static double NowMicroseconds(void) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return (double)now.QuadPart * 1e6 / (double)frequency.QuadPart;
}

typedef struct {
  DWORD pid, parent;
  HANDLE process;
} Watched;

/* Opens every process whose parent is the launcher or a process watched. */
static void WatchNew(DWORD launcherId, Watched *watched, int *count) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more && *count < MAX_WATCHED;
       more = Process32Next(snapshot, &entry)) {
    int known = 0, ours = entry.th32ParentProcessID == launcherId;
    for (int k = 0; k < *count; ++k) {
      known |= watched[k].pid == entry.th32ProcessID;
      ours |= watched[k].pid == entry.th32ParentProcessID;
    }
    HANDLE process = known || !ours ? NULL : OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE,
                                                           entry.th32ProcessID);
    if (!process) continue;
    Watched w = {entry.th32ProcessID, entry.th32ParentProcessID, process};
    watched[(*count)++] = w;
  }
  CloseHandle(snapshot);
}

static void WriteWatched(const char *path, const Watched *watched, int count) {
  FILE *out = fopen(path, "w");
  for (int k = 0; out && k < count; ++k) {
    DWORD code;
    FILETIME created, exited, kernel, user;
    fprintf(out, "pid=%lu|parent=%lu|", watched[k].pid, watched[k].parent);
    if (WaitForSingleObject(watched[k].process, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(watched[k].process, &code) &&
        GetProcessTimes(watched[k].process, &created, &exited, &kernel, &user))
      fprintf(out, "exit=%lu|ended_ms=%.3f\n", code,
              (double)(((ULONGLONG)exited.dwHighDateTime << 32) | exited.dwLowDateTime) / 10000.0);
    else
      fprintf(out, "running\n");
  }
  if (out) fclose(out);
}

int main(int argc, char **argv) {
  DWORD timeout = 15000;
  int useCompletion = 1;
  int timing = 0;
  int end = 0;
  const char *watchPath = NULL;
  Watched watched[MAX_WATCHED];
  int watchedCount = 0;
  HANDLE held[MAX_HELD];
  int heldCount = 0;
  int i = 1;
  for (; i < argc; ++i) {
    if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      timeout = (DWORD)strtoul(argv[++i], NULL, 10);
    } else if (strcmp(argv[i], "--hold") == 0 && i + 1 < argc && heldCount < MAX_HELD) {
      held[heldCount] = CreateEventA(NULL, FALSE, FALSE, argv[++i]);
      if (!held[heldCount]) {
        fprintf(stderr, "launch_wait: cannot create event %s (%lu)\n", argv[i], GetLastError());
        return 2;
      }
      ++heldCount;
    } else if (strcmp(argv[i], "--no-completion") == 0) {
      useCompletion = 0;
    } else if (strcmp(argv[i], "--timing") == 0) {
      timing = 1;
    } else if (strcmp(argv[i], "--watch") == 0 && i + 1 < argc) {
      watchPath = argv[++i];
    } else if (strcmp(argv[i], "--end") == 0) {
      end = 1;
    } else {
      break;
    }
  }
  if (i >= argc) {
    fprintf(stderr,
            "usage: launch_wait [--timeout MS] [--hold NAME]... [--no-completion] [--timing] [--watch FILE] [--end] "
            "PROGRAM [ARGS]\n");
    return 2;
  }
  const char *program = argv[i];
  const char *arguments = i + 1 < argc ? argv[i + 1] : NULL;

  HANDLE done = NULL;
  if (useCompletion) {
    done = CreateEventA(NULL, TRUE, FALSE, COMPLETION_EVENT);
    if (!done) {
      fprintf(stderr, "launch_wait: cannot create the completion event (%lu)\n", GetLastError());
      return 2;
    }
  }

  size_t size = strlen(program) + (arguments ? strlen(arguments) : 0) + 8;
  char *commandLine = (char *)malloc(size);
  if (!commandLine) return 2;
  if (arguments)
    snprintf(commandLine, size, "\"%s\" %s", program, arguments);
  else
    snprintf(commandLine, size, "\"%s\"", program);

  STARTUPINFOA startup;
  PROCESS_INFORMATION process;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  memset(&process, 0, sizeof process);
  const double startUs = NowMicroseconds();
  if (!CreateProcessA(program, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    fprintf(stderr, "launch_wait: cannot start %s (%lu)\n", program, GetLastError());
    return 2;
  }
  free(commandLine);
  CloseHandle(process.hThread);

  /* With --timing the completion event is watched too, to see when it is set. */
  double eventUs = -1;
  HANDLE both[2] = {process.hProcess, done};
  const DWORD began = GetTickCount();
  int ended = 0;
  for (;;) {
    const DWORD passed = GetTickCount() - began, left = passed < timeout ? timeout - passed : 0;
    const DWORD r = WaitForMultipleObjects(timing && done && eventUs < 0 ? 2 : 1, both, FALSE,
                                           watchPath && left > WATCH_MS ? WATCH_MS : left);
    if (r == WAIT_OBJECT_0 + 1) eventUs = NowMicroseconds();
    ended = r == WAIT_OBJECT_0;
    if (watchPath) WatchNew(process.dwProcessId, watched, &watchedCount);
    if (ended || r == WAIT_FAILED || (r == WAIT_TIMEOUT && left <= WATCH_MS)) break;
  }
  const double endUs = NowMicroseconds();
  if (watchPath) WriteWatched(watchPath, watched, watchedCount);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  const char *eventState = "none";
  if (done) eventState = WaitForSingleObject(done, 0) == WAIT_OBJECT_0 ? "set" : "unset";
  printf("event=%s launcher=%s exit=%lu acp=%u", eventState, ended ? "ended" : "running", ended ? exitCode : 0UL,
         GetACP());
  if (timing)
    printf(" start_us=%.0f event_us=%.0f end_us=%.0f", startUs, eventUs, endUs);
  printf("\n");
  fflush(stdout);

  if (!ended && end) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  if (done) CloseHandle(done);
  while (heldCount > 0) CloseHandle(held[--heldCount]);
  return ended ? 0 : 1;
}
