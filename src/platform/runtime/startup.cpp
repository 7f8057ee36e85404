/* Process start-up and end for the Win32 build of Setup.exe, in place of the
 * C runtime's: the launcher imports no C runtime DLL (see cmake/win32.cmake).
 *
 * WinMainCRTStartup is the entry point. It runs the static constructors
 * (the application object is built here, before WinMain, as the framework
 * relies on), hands WinMain the command line after the program name and its
 * blanks, then runs the functions registered with atexit (static
 * destructors), newest first, and ends the process with WinMain's result. */
#include <windows.h>

extern "C" {

/* The linker script brackets the .ctors entries: a -1 count word, the
 * constructors, a zero. They run from the last entry to the first, the
 * order GCC's own start-up code keeps for this list. */
extern void (*__CTOR_LIST__[])(void);

typedef void (*ExitFunction)(void);

/* Static destructors and atexit calls: the launcher registers a handful. A
 * registration beyond the table is refused (atexit returns non-zero), as
 * the C standard allows; nothing is called twice. */
enum { kMaxExitFunctions = 32 };
static ExitFunction g_exitFunctions[kMaxExitFunctions];
static int g_exitCount;

int atexit(ExitFunction function) {
  if (g_exitCount >= kMaxExitFunctions) return -1;
  g_exitFunctions[g_exitCount++] = function;
  return 0;
}

static void RunConstructors(void) {
  unsigned count = 0;
  while (__CTOR_LIST__[count + 1]) ++count;
  for (; count > 0; --count) __CTOR_LIST__[count]();
}

static void RunExitFunctions(void) {
  while (g_exitCount > 0) g_exitFunctions[--g_exitCount]();
}

/* The command line after the program name (quoted or not) and the blanks
 * that follow it. No ANSI code page has a trail byte below 0x40, so quotes
 * and blanks are never the second byte of a character. */
static LPSTR CommandLineAfterProgramName(void) {
  LPSTR p = GetCommandLineA();
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p > ' ' || (*p & 0x80)) ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

void WinMainCRTStartup(void) {
  STARTUPINFOA startup;
  int showCommand;
  int result;
  RunConstructors();
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
  result = WinMain(GetModuleHandleA(NULL), NULL, CommandLineAfterProgramName(), showCommand);
  RunExitFunctions();
  ExitProcess((UINT)result);
}

/* Stack probe for frames of 4 KiB and more (GCC calls it with the frame size
 * in EAX): touches each page from the top down, so that the guard page
 * grows the stack in order. Changes no register and not ESP. */
__asm__(
    ".text\n"
    ".globl ___chkstk_ms\n"
    "___chkstk_ms:\n"
    "  pushl %ecx\n"
    "  pushl %eax\n"
    "  leal 12(%esp), %ecx\n"
    "1:\n"
    "  cmpl $0x1000, %eax\n"
    "  jb 2f\n"
    "  subl $0x1000, %ecx\n"
    "  orl $0, (%ecx)\n"
    "  subl $0x1000, %eax\n"
    "  jmp 1b\n"
    "2:\n"
    "  subl %eax, %ecx\n"
    "  orl $0, (%ecx)\n"
    "  popl %eax\n"
    "  popl %ecx\n"
    "  ret\n");

}  // extern "C"
