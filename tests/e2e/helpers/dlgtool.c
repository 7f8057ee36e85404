/* Looks at and drives the launcher's maintenance dialog from another
 * process. The dialog is found by its window class (#32770), not by its
 * caption, which differs by language. Texts are printed as UTF-8 (read with
 * GetWindowTextW), whatever the ANSI code page.
 *
 * Usage: dlgtool wait [MS]   waits until a visible dialog exists (default
 *                            20 s); prints "found", or "none" and status 1
 *        dlgtool dump        prints the dialog: caption, client rectangle on
 *                            the screen, the whole window's rectangle on the
 *                            screen, default button, then one line per
 *                            child window in order (= tab order):
 *                            control=ID|CLASS|STYLE|ENABLED|CHECKED|X Y W H|TEXT
 *                            (rectangle in client pixels; line feeds as \n)
 *        dlgtool where ID    prints the screen point at the centre of control ID
 *        dlgtool exists      prints "yes" or "no" */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND found;

static BOOL CALLBACK look(HWND window, LPARAM unused) {
  char name[64] = "";
  (void)unused;
  GetClassNameA(window, name, sizeof name);
  if (strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
    found = window;
    return FALSE;
  }
  return TRUE;
}

static HWND find_dialog(void) {
  found = NULL;
  EnumWindows(look, 0);
  return found;
}

static void print_text(HWND window) {
  WCHAR wide[2048];
  char utf8[6144];
  int n = GetWindowTextW(window, wide, 2048);
  int m = WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8 - 1, NULL, NULL);
  for (int i = 0; i < m; ++i) {
    if (utf8[i] == '\n') fputs("\\n", stdout);
    else if (utf8[i] != '\r') putchar(utf8[i]);
  }
}

static void dump(HWND dialog) {
  fputs("caption=", stdout);
  print_text(dialog);
  putchar('\n');
  RECT client;
  POINT origin = {0, 0};
  GetClientRect(dialog, &client);
  ClientToScreen(dialog, &origin);
  printf("client=%ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
  RECT frame;
  GetWindowRect(dialog, &frame);
  printf("window=%ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
  LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  printf("defid=%d\n", HIWORD(def) == DC_HASDEFID ? (int)(short)LOWORD(def) : 0);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[64] = "";
    RECT r;
    GetClassNameA(child, name, sizeof name);
    GetWindowRect(child, &r);
    MapWindowPoints(NULL, dialog, (POINT *)&r, 2);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    int checked = (int)SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
    printf("control=%d|%s|%08lX|%d|%d|%ld %ld %ld %ld|", (int)(short)GetDlgCtrlID(child), name,
           (unsigned long)style, IsWindowEnabled(child) ? 1 : 0, checked, r.left, r.top, r.right - r.left,
           r.bottom - r.top);
    print_text(child);
    putchar('\n');
  }
}

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: dlgtool wait|dump|where|exists ...\n");
    return 2;
  }
  const char *command = argv[1];
  HWND dialog = find_dialog();
  if (strcmp(command, "wait") == 0) {
    DWORD limit = argc > 2 ? (DWORD)strtoul(argv[2], NULL, 10) : 20000, waited = 0;
    while (!dialog && waited < limit) {
      Sleep(100);
      waited += 100;
      dialog = find_dialog();
    }
    printf("%s\n", dialog ? "found" : "none");
    return dialog ? 0 : 1;
  }
  if (strcmp(command, "exists") == 0) {
    printf("%s\n", dialog ? "yes" : "no");
    return 0;
  }
  if (!dialog) {
    printf("no dialog\n");
    return 1;
  }
  if (strcmp(command, "dump") == 0) {
    dump(dialog);
    return 0;
  }
  if (strcmp(command, "where") == 0 && argc > 2) {
    HWND control = GetDlgItem(dialog, atoi(argv[2]));
    RECT r;
    if (!control || !GetWindowRect(control, &r)) {
      printf("no control\n");
      return 1;
    }
    printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
  }
  fprintf(stderr, "dlgtool: unknown command %s\n", command);
  return 2;
}
