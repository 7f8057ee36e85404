// The spooler functions of the system folder's winspool.drv, resolved at run
// time. Setup.exe imports nothing from winspool at link time: winspool.drv is
// not one of the libraries Windows always takes from the system folder, so a
// copy planted beside Setup.exe would be loaded, and its code run, first.
#pragma once

#include "platform/handles.h"
#include "platform/win32.h"
#include "records/system_library.h"

typedef BOOL(WINAPI* OpenPrinterAFn)(LPSTR, HANDLE*, PRINTER_DEFAULTSA*);
typedef BOOL(WINAPI* GetPrinterAFn)(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
typedef BOOL(WINAPI* DeletePrinterFn)(HANDLE);
typedef BOOL(WINAPI* ClosePrinterFn)(HANDLE);
typedef BOOL(WINAPI* DeletePrinterDriverAFn)(LPSTR, LPSTR, LPSTR);
typedef BOOL(WINAPI* DeletePrinterDriverExAFn)(LPSTR, LPSTR, LPSTR, DWORD, DWORD);

// Loads winspool.drv by its full path in the system folder, with what it
// brings along, and looks up the six functions; releases them when it goes.
class WinspoolLibrary {
 public:
  WinspoolLibrary();
  WinspoolLibrary(const WinspoolLibrary&) = delete;
  WinspoolLibrary& operator=(const WinspoolLibrary&) = delete;

  // True when the library loaded with the four queue functions (open, read,
  // delete, close). Each driver deletion may still be missing (NULL).
  bool usable() const { return openPrinter && getPrinter && deletePrinter && closePrinter; }

  OpenPrinterAFn openPrinter = NULL;
  GetPrinterAFn getPrinter = NULL;
  DeletePrinterFn deletePrinter = NULL;
  ClosePrinterFn closePrinter = NULL;
  DeletePrinterDriverAFn deletePrinterDriver = NULL;
  DeletePrinterDriverExAFn deletePrinterDriverEx = NULL;

 private:
  SystemLibrary library_;
};

// A printer handle from OpenPrinterA, closed with ClosePrinter once.
class ScopedPrinter {
 public:
  explicit ScopedPrinter(const WinspoolLibrary& winspool) : winspool_(winspool) {}
  ~ScopedPrinter() { Close(); }
  ScopedPrinter(const ScopedPrinter&) = delete;
  ScopedPrinter& operator=(const ScopedPrinter&) = delete;

  // Opens the queue named `printerName` with `access`, no data type and no
  // device mode. False when the call fails or gives a NULL handle.
  bool Open(const char* printerName, DWORD access);
  void Close();
  HANDLE get() const { return printer_; }

 private:
  const WinspoolLibrary& winspool_;
  HANDLE printer_ = NULL;
};
