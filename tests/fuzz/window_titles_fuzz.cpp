// Fuzz target: titles of other programs' top-level windows, met by the
// printer removal (which answers the queue window of the printer it removes)
// and by the watch for Windows' new-hardware wizard. Input: scene byte, road
// byte (bit 0 removal mode), then up to four titles as fields (each a C
// string, cut at its first zero byte).
#include <vector>

#include "fuzz_machine.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  PrepareMachine(ChooseScene(input.Byte()));
  const bool removal = input.Byte() & 1;
  WriteInstallInfo("VID_PID=VID_04B8&PID_0001\r\n");
  std::vector<std::pair<HWND, std::string>> windows;
  for (int i = 0; i < 4; ++i) {
    std::string title = input.Field();
    title = title.substr(0, title.find('\0'));
    windows.emplace_back(sim::OpenWindow(title), title);
  }
  // A wizard title keeps the settling wait polling; the user closes every
  // window after ten seconds.
  sim::At(10000, [windows] {
    for (const auto& window : windows) sim::CloseWindow(window.first);
  });
  RunLauncher(removal ? std::string("/a") + kPrinter : "");
  CheckInvariants();
  // Only a window whose title holds the printer's name is answered.
  for (const auto& window : windows)
    if (!sim::MessagesReceived(window.first).empty())
      Require(window.second.find(kPrinter) != std::string::npos, "answered the window \"" + window.second + "\"");
  return 0;
}
