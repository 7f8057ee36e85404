// Fuzz target: the beginnings of the INF files in the Windows INF folders
// that the purge reads (ANSI or UTF-16, any bytes), and the marker INFSGUID
// it looks for. Input: scene byte, flags byte (bit 0 a marker of the input,
// bits 1-3 UTF-16 byte-order mark before file 1-3, bits 4-6 file 1-3
// read-only, bit 7 file 1 held open by another program), the marker field,
// then three files' contents as fields.
#include "fuzz_machine.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  PrepareMachine(ChooseScene(input.Byte()));
  const uint8_t flags = input.Byte();
  std::string marker = input.Field();
  marker = marker.substr(0, marker.find('\0'));
  for (char& c : marker)
    if (c == '\r' || c == '\n') c = ' ';
  WriteInstallInfo((flags & 1) ? "[UNINSTALL]\r\nINFSGUID=" + marker + "\r\n" : "");
  const char* const folders[] = {"C:\\WINDOWS\\inf\\oem7", "C:\\WINDOWS\\inf\\OTHER\\oem8", "C:\\WINDOWS\\inf\\oem9"};
  for (int i = 0; i < 3; ++i) {
    const std::string base = folders[i];
    const std::string content = input.Field();
    sim::WriteFile(base + ".inf", (flags & (2 << i)) ? "\xFF\xFE" + content : content);
    sim::WriteFile(base + ".pnf", "PNF");
    if (flags & (0x10 << i)) sim::SetAttributes(base + ".inf", FILE_ATTRIBUTE_READONLY);
  }
  if (flags & 0x80) sim::HoldFile(std::string(folders[0]) + ".inf", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  RunLauncher(std::string("/a") + kPrinter);
  CheckInvariants();
  return 0;
}
