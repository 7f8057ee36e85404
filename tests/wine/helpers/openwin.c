/* openwin.exe HEXTITLE [SECONDS]: opens a visible top-level window whose title
 * is exactly the bytes given in hexadecimal (so that no conversion of the
 * command line touches them; the process's ANSI code page reads them), prints
 * "ready" once the window exists, and keeps it open until the process is
 * killed or SECONDS (default 30) have passed. Each WM_COMMAND the window
 * receives is printed as "WM_COMMAND wParam lParam". Exit status 2 for bad
 * arguments, 1 when the window cannot be created. A third argument "hang":
 * the window's thread takes no message after "ready" (a hung program). */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/* Decodes `hex` into `out` (size bytes, zero-terminated). 0 on bad input. */
static int DecodeHex(const char* hex, char* out, size_t size) {
  size_t length = strlen(hex), i;
  if (length % 2 != 0 || length / 2 >= size) return 0;
  for (i = 0; i < length / 2; ++i) {
    int high = HexDigit(hex[2 * i]), low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return 0;
    out[i] = (char)(high * 16 + low);
    if (out[i] == 0) return 0;
  }
  out[length / 2] = 0;
  return 1;
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    printf("WM_COMMAND %lu %ld\n", (unsigned long)wParam, (long)lParam);
    fflush(stdout);
    return 0;
  }
  if (message == WM_TIMER || message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char** argv) {
  char title[512];
  int seconds = 30;
  WNDCLASSA windowClass;
  HWND window;
  MSG message;

  if (argc < 2 || !DecodeHex(argv[1], title, sizeof title)) {
    fprintf(stderr, "usage: openwin HEXTITLE [SECONDS]\n");
    return 2;
  }
  if (argc > 2) seconds = atoi(argv[2]);
  if (seconds < 1) seconds = 1;

  memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
  windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "DevprobeTestWindow";
  if (!RegisterClassA(&windowClass)) return 1;
  window = CreateWindowExA(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 360, 160,
                           NULL, NULL, windowClass.hInstance, NULL);
  if (!window) return 1;
  SetTimer(window, 1, (UINT)seconds * 1000u, NULL);
  printf("ready\n");
  fflush(stdout);
  if (argc > 3 && strcmp(argv[3], "hang") == 0) return (int)SleepEx((DWORD)seconds * 1000u, FALSE); /* 0 */
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
