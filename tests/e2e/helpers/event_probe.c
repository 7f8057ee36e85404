/* Reports the state of a named event without changing it: prints "set",
 * "unset" or "absent" (no event of that name exists). Waiting with a zero
 * time limit would reset an auto-reset event, so only manual-reset events
 * (such as the completion event) are probed faithfully.
 *
 * Usage: event_probe NAME */
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: event_probe NAME\n");
    return 2;
  }
  HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
  if (!event) {
    printf("absent\n");
    return 0;
  }
  printf("%s\n", WaitForSingleObject(event, 0) == WAIT_OBJECT_0 ? "set" : "unset");
  CloseHandle(event);
  return 0;
}
