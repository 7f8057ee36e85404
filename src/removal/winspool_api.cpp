#include "removal/winspool_api.h"

#include <string.h>

namespace {

// void (*)(void) is the generic function pointer type: it converts to each
// export's real signature without a cast-function-type warning.
template <typename Fn>
void Resolve(HMODULE module, const char* name, Fn* function) {
  FARPROC proc = GetProcAddress(module, name);
  *function = proc ? reinterpret_cast<Fn>(reinterpret_cast<void (*)(void)>(proc)) : NULL;
}

}  // namespace

WinspoolLibrary::WinspoolLibrary() : library_(records::kWinspoolFile) {
  HMODULE module = library_.get();
  if (!module) return;
  Resolve(module, "OpenPrinterA", &openPrinter);
  Resolve(module, "GetPrinterA", &getPrinter);
  Resolve(module, "DeletePrinter", &deletePrinter);
  Resolve(module, "ClosePrinter", &closePrinter);
  Resolve(module, "DeletePrinterDriverA", &deletePrinterDriver);
  Resolve(module, "DeletePrinterDriverExA", &deletePrinterDriverEx);
}

bool ScopedPrinter::Open(const char* printerName, DWORD access) {
  Close();
  if (!winspool_.openPrinter) return false;
  PRINTER_DEFAULTSA defaults;
  memset(&defaults, 0, sizeof defaults);
  defaults.pDatatype = NULL;
  defaults.pDevMode = NULL;
  defaults.DesiredAccess = access;
  HANDLE printer = NULL;
  // OpenPrinterA takes a non-const name but does not write to it.
  if (!winspool_.openPrinter(const_cast<char*>(printerName), &printer, &defaults)) return false;
  printer_ = printer;
  return printer_ != NULL;
}

void ScopedPrinter::Close() {
  if (printer_ && winspool_.closePrinter) winspool_.closePrinter(printer_);
  printer_ = NULL;
}
