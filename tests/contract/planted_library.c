/* Planted beside contract_runtime_win32.exe as imagehlp.dll and as
 * dbghelp.dll (which imagehlp imports): what a load by bare name, or a
 * dependency looked for beside the program, would bind. Its
 * MapFileAndCheckSumA fails for every file, where the system's sums it. */
#include <windows.h>

__declspec(dllexport) DWORD WINAPI MapFileAndCheckSumA(LPCSTR file, LPDWORD headerSum, LPDWORD checkSum) {
  (void)file;
  (void)headerSum;
  (void)checkSum;
  return 1; /* CHECKSUM_OPEN_FAILURE */
}

__declspec(dllexport) PVOID WINAPI ImageDirectoryEntryToData(PVOID base, BOOLEAN mapped, USHORT entry, PULONG size) {
  (void)base;
  (void)mapped;
  (void)entry;
  (void)size;
  return NULL;
}

__declspec(dllexport) PVOID WINAPI ImageRvaToVa(PVOID headers, PVOID base, ULONG rva, PVOID section) {
  (void)headers;
  (void)base;
  (void)rva;
  (void)section;
  return NULL;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
