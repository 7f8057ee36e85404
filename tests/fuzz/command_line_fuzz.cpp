// Fuzz target: the launcher's command line (a C string: cut at its first
// zero byte). Input: scene byte, road byte (bit 0 product installed), then
// the command line.
#include "fuzz_machine.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  PrepareMachine(ChooseScene(input.Byte()));
  if (input.Byte() & 1) MarkInstalled();
  WriteInstallInfo();
  const std::string rest = input.Rest();
  RunLauncher(rest.substr(0, rest.find('\0')));
  CheckInvariants();
  return 0;
}
