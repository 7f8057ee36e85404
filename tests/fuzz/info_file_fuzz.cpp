// Fuzz target: InstallInfo.ini beside the launcher, any bytes and any length.
// Input: scene byte (code page, release), road byte (bit 0 product
// installed, bit 1 removal mode), then the file's bytes.
#include "fuzz_machine.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  PrepareMachine(ChooseScene(input.Byte()));
  const uint8_t road = input.Byte();
  if (road & 1) MarkInstalled();
  const std::string command = "MsiExec.exe /X{11111111-2222-3333-4444-555555555555}";
  sim::SetString(kProductKey, "InstalledDevices", "Printer,Entry");
  sim::SetString("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Entry", "UninstallString", command);
  sim::WriteFile(kInstallInfo, input.Rest());
  RunLauncher(road & 2 ? std::string("/a") + kPrinter : "");
  CheckInvariants(command);
  return 0;
}
