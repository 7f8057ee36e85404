/* Reports the state of a named event without changing it: prints "set",
 * "unset" or "absent" (no event of that name exists). Waiting with a zero
 * time limit would reset an auto-reset event, so only manual-reset events
 * (such as the completion event) are probed faithfully.
 *
 * With --at, a second line "at_us=N" tells when, in QueryPerformanceCounter
 * microseconds (the clock the logging stub's start_us reads).
 *
 * Usage: event_probe NAME [--at] */
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv) {
  if (argc != 2 && argc != 3) {
    fprintf(stderr, "usage: event_probe NAME [--at]\n");
    return 2;
  }
  HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
  printf("%s\n", !event ? "absent" : WaitForSingleObject(event, 0) == WAIT_OBJECT_0 ? "set" : "unset");
  if (event) CloseHandle(event);
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  if (argc == 3) printf("at_us=%.0f\n", (double)now.QuadPart * 1e6 / (double)frequency.QuadPart);
  return 0;
}
