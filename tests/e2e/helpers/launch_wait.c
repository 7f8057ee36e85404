/* Plays the program that waits for the launcher: creates the completion
 * event (manual reset, not set), optionally creates and holds other named
 * events (e.g. another launcher's instance event), starts the launcher and
 * waits for it with a time limit. Prints one line:
 *   event=set|unset|none launcher=ended|running exit=N acp=N
 * (acp: the ANSI code page this process, and so the launcher, runs in).
 *
 * Usage: launch_wait [--timeout MS] [--hold NAME]... [--no-completion]
 *                    [--timing] [--end] PROGRAM [ARGUMENT TEXT]
 * The launcher gets the command line "PROGRAM" ARGUMENT TEXT, so its own
 * view of the arguments is exactly ARGUMENT TEXT. Exit status: 0 when the
 * launcher ended within the limit, 1 when it still runs, 2 on a usage or
 * start error. With --end a launcher still running at the limit is ended
 * (TerminateProcess) once reported, so that nothing waits on it further.
 *
 * --timing adds to the line, for the benchmarks: start_us (just before the
 * start), event_us (when the completion event was seen set, or -1), end_us
 * (when the program had ended), all QueryPerformanceCounter microseconds.
 * (Wine reports no CPU times of another process: GetProcessTimes gives 0.) */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define COMPLETION_EVENT "HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}"
#define MAX_HELD 8

static double NowMicroseconds(void) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return (double)now.QuadPart * 1e6 / (double)frequency.QuadPart;
}

int main(int argc, char **argv) {
  DWORD timeout = 15000;
  int useCompletion = 1;
  int timing = 0;
  int end = 0;
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
    } else if (strcmp(argv[i], "--end") == 0) {
      end = 1;
    } else {
      break;
    }
  }
  if (i >= argc) {
    fprintf(stderr,
            "usage: launch_wait [--timeout MS] [--hold NAME]... [--no-completion] [--timing] [--end] PROGRAM [ARGS]\n");
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
  if (timing && done) {
    HANDLE both[2] = {done, process.hProcess};
    if (WaitForMultipleObjects(2, both, FALSE, timeout) == WAIT_OBJECT_0) eventUs = NowMicroseconds();
  }
  const int ended = WaitForSingleObject(process.hProcess, timeout) == WAIT_OBJECT_0;
  const double endUs = NowMicroseconds();
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
