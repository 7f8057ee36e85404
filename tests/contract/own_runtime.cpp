// The launcher's own run-time code where no other implementation answers
// the same question: binding on first call (delay_load.cpp), the case
// tables of the ANSI code pages (mbcs.cpp) and what the format routine does
// where the C standard leaves it open (format.cpp). Win32 only: built into
// contract_runtime_win32, whose stubs tests/contract/win32.cmake makes with
// dlltool as cmake/win32.cmake makes Setup.exe's.
#include <cstdio>
#include <cstring>
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

#include <imagehlp.h>

// ---- binding on first call ------------------------------------------------------

// Calls `function` as stdcall with `bytes` bytes of arguments; returns eax
// and sets *shift to how far esp moved across the call: 0 when the callee
// took exactly its arguments off the stack.
extern "C" unsigned CallStdcall(void (*function)(void), unsigned bytes, int* shift);
asm(".text\n.globl _CallStdcall\n_CallStdcall:\n"
    "\tpushl %ebp\n\tmovl %esp, %ebp\n\tpushl %esi\n"
    "\tmovl %esp, %esi\n\tmovl 12(%ebp), %ecx\n\tshrl $2, %ecx\n"
    "1:\tjecxz 2f\n\tpushl $0x5A5A5A5A\n\tdecl %ecx\n\tjmp 1b\n"
    "2:\tcall *8(%ebp)\n"
    "\tmovl %esp, %ecx\n\tsubl %esi, %ecx\n\tmovl 16(%ebp), %edx\n\tmovl %ecx, (%edx)\n"
    "\tleal -4(%ebp), %esp\n\tpopl %esi\n\tpopl %ebp\n\tret\n");

// Every function Setup.exe binds on first call, imported once more as
// Absent<name> from a library no system has.
#define ABSENT_IMPORT(library, name, bytes) extern "C" void Absent##name(void) __asm__("_Absent" #name "@" #bytes);
#include "absent_imports.h"
#undef ABSENT_IMPORT

struct AbsentImport {
  const char* library;
  const char* name;
  unsigned bytes;
  void (*stub)(void);
};
#define ABSENT_IMPORT(library, name, bytes) {#library, #name, bytes, Absent##name},
static const AbsentImport kAbsentImports[] = {
#include "absent_imports.h"
};
#undef ABSENT_IMPORT

// A function whose library cannot be loaded gives 0 (no window, no text),
// or ERROR_MOD_NOT_FOUND for the registry functions of advapi32, whose
// result is a status; on its first call and every later one, taking its
// arguments off the stack as the function itself would.
CONTRACT_TEST(Runtime_DelayLoadFailureStubs) {
  for (const AbsentImport& import : kAbsentImports) {
    const unsigned expected = std::strcmp(import.library, "advapi32") == 0 ? ERROR_MOD_NOT_FOUND : 0;
    for (int call = 1; call <= 2; ++call) {
      int shift = -1;
      const unsigned result = CallStdcall(import.stub, import.bytes, &shift);
      ok(result == expected && shift == 0, "%s (%u bytes), call %d: gave %u, esp moved by %d", import.name,
         import.bytes, call, result, shift);
    }
  }
}

// A library bound on first call comes from the system folder, and so do
// the libraries it imports, although copies of the same names lie in the
// program's folder (run.sh plants imagehlp.dll and dbghelp.dll, which
// imagehlp imports, beside this program and has Wine prefer such copies).
CONTRACT_TEST(Runtime_DelayLoadFromSystemFolder) {
  char own[MAX_PATH] = {0}, system[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  const char* const libraries[] = {"imagehlp.dll", "dbghelp.dll"};
  for (const char* library : libraries) {
    std::string planted = own;
    planted.replace(planted.rfind('\\') + 1, std::string::npos, library);
    ok(fixture::FileExists(planted), "no copy planted at %s", planted.c_str());
    ok(GetModuleHandleA(library) == nullptr, "%s loaded before the first call", library);
  }
  DWORD headerSum = 0, checkSum = 0;
  const DWORD result = MapFileAndCheckSumA(own, &headerSum, &checkSum);
  ok(result == CHECKSUM_SUCCESS && checkSum != 0, "MapFileAndCheckSumA gave %lu, sum %lu", result, checkSum);
  for (const char* library : libraries) {
    char loaded[MAX_PATH] = "(nowhere)";
    const HMODULE module = GetModuleHandleA(library);
    if (module) GetModuleFileNameA(module, loaded, MAX_PATH);
    ok(lstrcmpiA(loaded, (std::string(system) + "\\" + library).c_str()) == 0, "%s loaded from %s", library,
       loaded);
  }
}

// ---- case tables ----------------------------------------------------------------

// The upper case of a single-byte character by the code page's chart: ASCII
// letters in all; in 1252 also 0xE0-0xFE but 0xF7 (the division sign) to
// 0xC0-0xDE, s, oe and z with caron (0x9A 0x9C 0x9E) to 0x8A 0x8C 0x8E, and
// y with diaeresis (0xFF) to 0x9F. Letters without a capital in the code
// page (0x83, 0xAA, 0xB5, 0xBA, 0xDF) and every other byte keep theirs, as
// a lead byte standing alone at the end of the text does.
static unsigned ExpectedUpper(int codePage, unsigned c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (codePage != 1252) return c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 0x10;
  return c == 0xFF ? 0x9F : c;
}

// Every byte as a text of its own, through _mbsupr and _mbsicmp (which
// must find two such texts equal exactly when their upper cases are).
static void CheckCaseTable(int codePage) {
  if (!fixture::UseAnsiCodePage(codePage) || _setmbcp(_MB_CP_ANSI) != 0)
    skip_test("needs ANSI code page " + std::to_string(codePage) + ", this run has " +
              std::to_string(fixture::AnsiCodePage()));
  int wrongUpper = 0, wrongCompare = 0;
  for (unsigned c = 1; c < 256; ++c) {
    unsigned char text[2] = {static_cast<unsigned char>(c), 0};
    _mbsupr(text);
    if (text[0] != ExpectedUpper(codePage, c) && ++wrongUpper <= 8)
      ok(false, "_mbsupr: %02X became %02X", c, text[0]);
    for (unsigned d = 1; d < 256; ++d) {
      const unsigned char a[2] = {static_cast<unsigned char>(c), 0}, b[2] = {static_cast<unsigned char>(d), 0};
      const bool same = ExpectedUpper(codePage, c) == ExpectedUpper(codePage, d);
      if ((_mbsicmp(a, b) == 0) != same && ++wrongCompare <= 8)
        ok(false, "_mbsicmp: %02X and %02X %s", c, d, same ? "differ" : "are equal");
    }
  }
  ok(wrongUpper == 0 && wrongCompare == 0, "%d upper cases and %d comparisons wrong", wrongUpper, wrongCompare);
}

CONTRACT_TEST(Runtime_CaseTable_1252) { CheckCaseTable(1252); }
CONTRACT_TEST(Runtime_CaseTable_932) { CheckCaseTable(932); }
CONTRACT_TEST(Runtime_CaseTable_936) { CheckCaseTable(936); }
CONTRACT_TEST(Runtime_CaseTable_949) { CheckCaseTable(949); }

// ---- format routine ----------------------------------------------------------------

// Conversions the compiler rightly finds wrong are what this checks.
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wformat-extra-args"

// A conversion the routine does not format is copied as it stands, and its
// argument is still taken by its type, so the next conversion gets its
// own; %n writes nothing; a lone '%' at the end is copied.
CONTRACT_TEST(Runtime_FormatCopiesWhatItDoesNotFormat) {
  char buffer[64];
  int count = 5;
  std::snprintf(buffer, sizeof buffer, "%f|%s|%5.2e|%d|%lld|%s|%Lg|%c|%n%s|100%", 1.5, "a", 2.5, 7, 1LL << 40, "b",
                3.0L, 'c', &count, "d");
  ok(std::strcmp(buffer, "%f|a|%5.2e|7|%lld|b|%Lg|c|%nd|100%") == 0, "got '%s'", buffer);
  ok(count == 5, "%%n wrote %d", count);
  // So is one with a flag the routine does not know.
  std::snprintf(buffer, sizeof buffer, "%+d|%s|% 5i|%s|%#x|%s|%#s|%s", 5, "a", 6, "b", 7u, "c", "d", "e");
  ok(std::strcmp(buffer, "%+d|a|% 5i|b|%#x|c|%#s|e") == 0, "flags: '%s'", buffer);
}
