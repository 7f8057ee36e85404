// Records the calls of the removal entry point, which the unit tests link in
// place of the real one.
#pragma once

#include <string>
#include <vector>

struct UninstallPrinterCall {
  std::string printerName;
  std::string installInfoPath;
  unsigned long time;  // virtual clock at the call
};
std::vector<UninstallPrinterCall>& UninstallPrinterCalls();
