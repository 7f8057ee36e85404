// Binding of the functions Setup.exe takes from user32, gdi32 and advapi32,
// on their first call. Setup.exe does not import these libraries at link
// time: a process that loads user32 sets up the window system for itself,
// which on the roads that never show or look for a window (another copy, an
// unsupported release, the hand-off on 2000 and XP) is most of the time the
// launcher takes; advapi32 brings its own dependencies, which the
// another-copy road never needs. The linker gets import stubs made by dlltool from
// src/platform/delay/*.def; the first call of each function reaches
// __delayLoadHelper2 below, which loads the library by its full path in the
// system folder, looks the function up and stores it for every later call.
//
// When the library or the function cannot be had, the call returns 0 (no
// window, no text, nothing done), or for the registry functions
// ERROR_MOD_NOT_FOUND, with the arguments taken off the stack as the
// function itself would: each caller then takes its negative branch.
#include <windows.h>

#include <delayimp.h>
#include <string.h>

#include "delay_import_sizes.h"  // generated: kDelayImportSizes, from the .def files

extern "C" IMAGE_DOS_HEADER __ImageBase;

// Stand-ins for a function that could not be bound: 0 (DelayFailedN) or
// ERROR_MOD_NOT_FOUND (DelayStatusN) in eax, and the stdcall return that
// takes N bytes of arguments.
#define DELAY_STUB(name, bytes, load)                                                                   \
  extern "C" void name##bytes(void);                                                                     \
  asm(".text\n.globl _" #name #bytes "\n_" #name #bytes ":\n\t" load "\n\tret $" #bytes "\n");
#define DELAY_STUBS(bytes)                               \
  DELAY_STUB(DelayFailed, bytes, "xorl %eax, %eax")      \
  DELAY_STUB(DelayStatus, bytes, "movl $126, %eax")
DELAY_STUBS(0)
DELAY_STUBS(4)
DELAY_STUBS(8)
DELAY_STUBS(12)
DELAY_STUBS(16)
DELAY_STUBS(20)
DELAY_STUBS(24)
DELAY_STUBS(28)
DELAY_STUBS(32)
DELAY_STUBS(36)

namespace {

static_assert(ERROR_MOD_NOT_FOUND == 126, "the status stubs return ERROR_MOD_NOT_FOUND");

typedef void (*FailureStub)(void);
const FailureStub kFailureStubs[] = {DelayFailed0,  DelayFailed4,  DelayFailed8,  DelayFailed12,
                                     DelayFailed16, DelayFailed20, DelayFailed24, DelayFailed28,
                                     DelayFailed32, DelayFailed36};
const FailureStub kStatusStubs[] = {DelayStatus0,  DelayStatus4,  DelayStatus8,  DelayStatus12,
                                    DelayStatus16, DelayStatus20, DelayStatus24, DelayStatus28,
                                    DelayStatus32, DelayStatus36};

template <typename T>
T* AtRva(DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(&__ImageBase) + rva);
}

// The stand-in for `name`, by the bytes of its arguments in the .def file:
// one giving a status for the registry functions (whose result is one),
// one giving 0 for the others. Every function of the tables is listed there
// (the same file made both); should one not be, the process ends rather
// than jump nowhere.
FARPROC FailureFor(const char* name) {
  const bool status = strncmp(name, "Reg", 3) == 0;
  for (const DelayImportSize& entry : kDelayImportSizes) {
    if (strcmp(entry.name, name) != 0) continue;
    const unsigned slot = entry.argumentBytes / 4;
    if (entry.argumentBytes % 4 == 0 && slot < sizeof kFailureStubs / sizeof kFailureStubs[0])
      return reinterpret_cast<FARPROC>(status ? kStatusStubs[slot] : kFailureStubs[slot]);
    break;
  }
  ExitProcess(3);
}

// The library by its full path in the system folder: by bare name it would
// be looked for beside Setup.exe first; and what it imports in turn is
// looked for beside it, not beside Setup.exe. NULL when the path does not
// fit. (The run-time code sits below records/, so it builds the path itself
// rather than through BuildSystemFilePath.)
HMODULE LoadFromSystemFolder(const char* dllName) {
  char path[MAX_PATH];
  const UINT folderLength = GetSystemDirectoryA(path, sizeof path);
  const size_t nameLength = strlen(dllName);
  if (folderLength == 0 || folderLength + 1 + nameLength >= sizeof path) return NULL;
  path[folderLength] = '\\';
  memcpy(path + folderLength + 1, dllName, nameLength + 1);
  return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

// Called by the import stubs with the library's descriptor and the table
// entry of the function being called; returns the function to jump to and
// stores it in that entry. dlltool writes descriptors with relative
// addresses (dlattrRva) and imports by name.
extern "C" FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* entry) {
  FARPROC* const table = AtRva<FARPROC>(descriptor->rvaIAT);
  const IMAGE_THUNK_DATA32* names = AtRva<IMAGE_THUNK_DATA32>(descriptor->rvaINT);
  const IMAGE_IMPORT_BY_NAME* import = AtRva<IMAGE_IMPORT_BY_NAME>(names[entry - table].u1.AddressOfData);
  const char* name = reinterpret_cast<const char*>(import->Name);

  HMODULE* module = AtRva<HMODULE>(descriptor->rvaHmod);
  if (!*module) *module = LoadFromSystemFolder(AtRva<const char>(descriptor->rvaDLLName));
  FARPROC function = *module ? GetProcAddress(*module, name) : NULL;
  if (!function) function = FailureFor(name);
  *entry = function;
  return function;
}
