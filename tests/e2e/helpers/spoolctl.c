/* Adds and looks at printer queues through Wine's spooler, which needs no
 * print system for a queue of the PostScript driver on the FILE: port.
 *
 * Usage: spoolctl add PRINTER DRIVER   adds DRIVER, then the queue PRINTER
 *                                      using it; prints "added"
 *        spoolctl printer PRINTER      prints "yes" when the queue opens
 *        spoolctl driver DRIVER        prints "yes" when the driver is installed
 * Names are taken in the ANSI code page (run it with the test's LANG).
 * Exit status 1 when an addition fails, 2 for bad arguments. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int AddQueue(char *printer, char *driver) {
  DRIVER_INFO_3A info;
  PRINTER_INFO_2A queue;
  HANDLE handle;
  memset(&info, 0, sizeof info);
  info.cVersion = 3;
  info.pName = driver;
  info.pDriverPath = "wineps.drv";
  info.pDataFile = "generic.ppd";
  info.pConfigFile = "wineps.drv";
  if (!AddPrinterDriverA(NULL, 3, (BYTE *)&info)) {
    printf("AddPrinterDriverA failed (%lu)\n", GetLastError());
    return 1;
  }
  memset(&queue, 0, sizeof queue);
  queue.pPrinterName = printer;
  queue.pPortName = "FILE:";
  queue.pDriverName = driver;
  queue.pPrintProcessor = "WinPrint";
  queue.pDatatype = "RAW";
  handle = AddPrinterA(NULL, 2, (BYTE *)&queue);
  if (!handle) {
    printf("AddPrinterA failed (%lu)\n", GetLastError());
    return 1;
  }
  ClosePrinter(handle);
  printf("added\n");
  return 0;
}

static int HasDriver(const char *driver) {
  DWORD needed = 0, count = 0, i;
  BYTE *buffer;
  int found = 0;
  EnumPrinterDriversA(NULL, NULL, 1, NULL, 0, &needed, &count);
  if (needed == 0) return 0;
  buffer = (BYTE *)malloc(needed);
  if (buffer && EnumPrinterDriversA(NULL, NULL, 1, buffer, needed, &needed, &count)) {
    const DRIVER_INFO_1A *drivers = (const DRIVER_INFO_1A *)buffer;
    for (i = 0; i < count; ++i)
      if (lstrcmpiA(drivers[i].pName, driver) == 0) found = 1;
  }
  free(buffer);
  return found;
}

int main(int argc, char **argv) {
  if (argc == 4 && strcmp(argv[1], "add") == 0) return AddQueue(argv[2], argv[3]);
  if (argc == 3 && strcmp(argv[1], "printer") == 0) {
    HANDLE handle = NULL;
    int open = OpenPrinterA(argv[2], &handle, NULL) && handle;
    if (open) ClosePrinter(handle);
    printf("%s\n", open ? "yes" : "no");
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "driver") == 0) {
    printf("%s\n", HasDriver(argv[2]) ? "yes" : "no");
    return 0;
  }
  fprintf(stderr, "usage: spoolctl add PRINTER DRIVER | printer PRINTER | driver DRIVER\n");
  return 2;
}
