/* Looks at and drives a top-level window found by its whole title
 * (FindWindowA: whole title, case ignored).
 *
 * Usage: wintool wait TITLE [MS]   waits until the window exists (default 20 s);
 *                                  prints its exact title; status 1 on time-out
 *        wintool text TITLE        prints the message-box text (control 65535)
 *        wintool ok TITLE          presses OK (posts WM_COMMAND IDOK)
 *        wintool exists TITLE      prints "yes" or "no"
 * Run it with the same LANG as the program that owns the window: titles are
 * compared in the ANSI code page. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: wintool wait|text|ok|exists TITLE [MS]\n");
    return 2;
  }
  const char *command = argv[1];
  const char *title = argv[2];
  HWND window = FindWindowA(NULL, title);

  if (strcmp(command, "wait") == 0) {
    DWORD limit = argc > 3 ? (DWORD)strtoul(argv[3], NULL, 10) : 20000;
    DWORD waited = 0;
    while (!window && waited < limit) {
      Sleep(100);
      waited += 100;
      window = FindWindowA(NULL, title);
    }
    if (!window) {
      printf("no window\n");
      return 1;
    }
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    printf("%s\n", text);
    return 0;
  }
  if (strcmp(command, "exists") == 0) {
    printf("%s\n", window ? "yes" : "no");
    return 0;
  }
  if (!window) {
    printf("no window\n");
    return 1;
  }
  if (strcmp(command, "text") == 0) {
    HWND label = GetDlgItem(window, 65535);
    char text[2048] = "";
    if (!label) {
      printf("no text control\n");
      return 1;
    }
    GetWindowTextA(label, text, sizeof text);
    printf("%s\n", text);
    return 0;
  }
  if (strcmp(command, "ok") == 0) {
    /* Posted, not sent: the box's owner may be busy, and we do not need to wait. */
    if (!PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0)) {
      printf("post failed (%lu)\n", GetLastError());
      return 1;
    }
    printf("pressed\n");
    return 0;
  }
  fprintf(stderr, "wintool: unknown command %s\n", command);
  return 2;
}
