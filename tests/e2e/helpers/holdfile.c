/* Plays another program that keeps a file open: opens FILE for reading,
 * shared with nobody, prints "held" (or "failed N" and ends with status 1),
 * and keeps it open until the file STOP exists (or 60 s have passed).
 *
 * Usage: holdfile FILE STOP */
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: holdfile FILE STOP\n");
    return 2;
  }
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) {
    printf("failed %lu\n", GetLastError());
    return 1;
  }
  printf("held\n");
  fflush(stdout);
  for (int waited = 0; waited < 60000 && GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES; waited += 50)
    Sleep(50);
  CloseHandle(file);
  return 0;
}
