// purgebench.exe, the Wine part of bench/run purge.
//   purgebench purge FOLDER INFO   times PurgeOemInfFiles(FOLDER, INFO)
//   purgebench floor FOLDER        times the least any purge must do: find
//                                  every "*.inf" file of FOLDER and read its
//                                  first 2048 bytes
// FOLDER ends in a backslash. Prints "files=N us=T" (the *.inf files of the
// folder before the run, and the time of the run), for a purge also
// "after=M", the files left.
#include "platform/win32.h"

#include <stdio.h>
#include <string.h>

#include "removal/inf_purge.h"

static double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// Finds every *.inf file of `folder`; reads the first 2048 bytes of each
// when `read`, after a search for that one file when `status`.
static long Walk(const char* folder, bool read, bool status = false) {
  char pattern[MAX_PATH], path[MAX_PATH];
  snprintf(pattern, sizeof pattern, "%s*.inf", folder);
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(pattern, &entry);
  if (find == INVALID_HANDLE_VALUE) return 0;
  long files = 0;
  static char buffer[2050];
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    ++files;
    if (!read) continue;
    snprintf(path, sizeof path, "%s%s", folder, entry.cFileName);
    if (status) {
      WIN32_FIND_DATAA one;
      HANDLE single = FindFirstFileA(path, &one);
      if (single != INVALID_HANDLE_VALUE) FindClose(single);
    }
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD got = 0;
    ReadFile(file, buffer, 2048, &got, NULL);
    CloseHandle(file);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return files;
}

int main(int argc, char** argv) {
  _setmbcp(_MB_CP_ANSI);
  if (argc == 4 && strcmp(argv[1], "purge") == 0) {
    const long files = Walk(argv[2], false);
    const double t0 = Now();
    PurgeOemInfFiles(argv[2], argv[3]);
    const double t1 = Now();
    printf("files=%ld after=%ld us=%.0f\n", files, Walk(argv[2], false), t1 - t0);
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "floor") == 0) {
    const long files = Walk(argv[2], false);
    const double t0 = Now();
    Walk(argv[2], true);
    printf("files=%ld us=%.0f\n", files, Now() - t0);
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "status") == 0) {
    const long files = Walk(argv[2], false);
    const double t0 = Now();
    Walk(argv[2], true, true);
    printf("files=%ld us=%.0f\n", files, Now() - t0);
    return 0;
  }
  fprintf(stderr, "usage: purgebench purge FOLDER INFO | purgebench floor FOLDER\n");
  return 2;
}
