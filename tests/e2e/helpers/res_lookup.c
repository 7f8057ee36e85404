/* Prints which language block of a module's resources the platform's own
 * lookup picks for the calling process's language, for the resources the
 * launcher loads without naming a language: dialog 102, the string block of
 * strings 1 and 2, icon group 128 and bitmap 103. Also prints string 1 as
 * LoadStringW returns it, in UTF-8, whether LoadStringA gives the same text
 * in the process's ANSI code page, and the user's UI language.
 *
 * Usage: res_lookup FILE [LANGID]
 *   With a LANGID (hex), the thread's locale and UI language are set to it
 *   first, for languages that no Unix locale names (e.g. Spanish with the
 *   traditional sort).
 * Output: "ui=0c07 dialog=0007 strings=0007 icon=0409 bitmap=0409 ansi=same"
 * and then "string1=<text>"; a resource that is not found prints "none". */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HRSRC g_found;
static WORD g_picked;

static BOOL CALLBACK match_language(HMODULE module, LPCSTR type, LPCSTR name, WORD lang,
                                   LONG_PTR unused) {
  (void)unused;
  if (FindResourceExA(module, type, name, lang) == g_found) {
    g_picked = lang;
    return FALSE;
  }
  return TRUE;
}

/* The language of the block that FindResourceA (no language named) finds. */
static void print_pick(HMODULE module, const char *label, LPCSTR type, int id) {
  g_found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  g_picked = 0xFFFF;
  if (g_found)
    EnumResourceLanguagesA(module, type, MAKEINTRESOURCEA(id), match_language, 0);
  if (g_picked == 0xFFFF)
    printf(" %s=none", label);
  else
    printf(" %s=%04x", label, g_picked);
}

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: res_lookup FILE [LANGID]\n");
    return 2;
  }
  if (argc > 2) {
    LANGID lang = (LANGID)strtoul(argv[2], NULL, 16);
    SetThreadLocale(MAKELCID(lang, SORT_DEFAULT));
    SetThreadUILanguage(lang);
  }
  HMODULE module = LoadLibraryExA(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    fprintf(stderr, "res_lookup: cannot load %s (%lu)\n", argv[1], GetLastError());
    return 1;
  }
  printf("ui=%04x", GetUserDefaultUILanguage());
  print_pick(module, "dialog", (LPCSTR)RT_DIALOG, 102);
  print_pick(module, "strings", (LPCSTR)RT_STRING, 1); /* block of strings 1-16 */
  print_pick(module, "icon", (LPCSTR)RT_GROUP_ICON, 128);
  print_pick(module, "bitmap", (LPCSTR)RT_BITMAP, 103);
  WCHAR text[512];
  char utf8[1536];
  int length = LoadStringW(module, 1, text, 512);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, sizeof utf8 - 1, NULL, NULL);
  utf8[bytes > 0 ? bytes : 0] = '\0';
  /* The launcher loads its strings as ANSI text: they must survive the
   * user's code page. */
  char ansi[1024];
  WCHAR back[512];
  int ansi_length = LoadStringA(module, 1, ansi, sizeof ansi);
  int back_length = MultiByteToWideChar(CP_ACP, 0, ansi, ansi_length, back, 512);
  int same = back_length == length && memcmp(back, text, length * sizeof(WCHAR)) == 0;
  printf(" acp=%u ansi=%s", GetACP(), same ? "same" : "lossy");
  printf("\nstring1=%s\n", utf8);
  FreeLibrary(module);
  return 0;
}
