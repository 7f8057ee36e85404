/* The planting scenario's control: a program that imports winspool.drv at
 * link time, as Setup.exe must not. A winspool.drv planted beside it is
 * loaded, which shows that the planted DLL and the DLL override of the
 * scenario work; the same setup must leave Setup.exe untouched. */
#include <windows.h>
#include <winspool.h>

int main(void) {
  ClosePrinter(NULL);
  return 0;
}
