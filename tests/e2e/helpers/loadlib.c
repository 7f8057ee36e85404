/* loadlib NAME: loads the library NAME with LoadLibraryA as given (a bare
 * name is searched for, the program's own folder first) and prints the full
 * path of the file that was loaded, or "not loaded N" with the error. */
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv) {
  HMODULE module;
  char path[MAX_PATH + 1] = "";
  if (argc != 2) {
    fprintf(stderr, "usage: loadlib NAME\n");
    return 2;
  }
  module = LoadLibraryA(argv[1]);
  if (!module) {
    printf("not loaded %lu\n", GetLastError());
    return 1;
  }
  GetModuleFileNameA(module, path, MAX_PATH);
  printf("%s\n", path);
  FreeLibrary(module);
  return 0;
}
