// Fuzz target: the registry values and key names the launcher reads, each of
// any type and any bytes (a string need not hold its terminating zero):
// "InstallMode", "InstalledLocation", "InstalledDevices", the uninstall
// entry's "UninstallString", an enumeration device key and instance key name
// with their "Class" and "ClassGUID", and an interface instance's values.
// Input: scene byte, road byte (bit 0 product installed, so the dialog's
// Uninstall + Next runs; otherwise a fresh installation with a device), then
// per value a type byte and a field.
#include "fuzz_machine.h"

using namespace fuzz;

namespace {

const DWORD kTypes[] = {REG_SZ, REG_BINARY, REG_DWORD, REG_EXPAND_SZ, REG_MULTI_SZ, REG_NONE};
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A key name as RegCreateKeyEx would accept it: no backslash, not empty.
std::string KeyName(std::string name) {
  for (char& c : name)
    if (c == '\\' || c == 0) c = '_';
  return name.empty() ? std::string("0000") : name;
}

struct Value {
  DWORD type;
  std::string data;
};

Value Read(FuzzInput& input) {
  const DWORD type = kTypes[input.Byte() % 6];
  return Value{type, input.Field()};
}

void Put(const std::string& key, const char* name, const Value& value) { sim::SetValue(key, name, value.type, value.data); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const Scene scene = ChooseScene(input.Byte());
  PrepareMachine(scene);
  const bool installed = input.Byte() & 1;
  WriteInstallInfo("VID_PID=VID_04B8&PID_0001\r\nGUIDUNDINF={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n");
  if (installed) MarkInstalled();

  Put(kProductKey, "InstallMode", Read(input));
  Put(kProductKey, "InstalledLocation", Read(input));
  const Value devices = Read(input);
  Put(kProductKey, "InstalledDevices", devices);
  // The uninstall entry the second field names, read bytewise.
  const std::string text = devices.data.substr(0, devices.data.find('\0'));
  const size_t comma = text.find(',');
  const std::string entry = comma == std::string::npos ? "Entry" : text.substr(comma + 1, text.find(',', comma + 1) - comma - 1);
  const Value uninstall = Read(input);
  Put(kUninstallKey + KeyName(entry), "UninstallString", uninstall);

  const bool nt = scene.release == sim::Release::WinXP || scene.release == sim::Release::Win2000;
  const std::string root = nt ? "SYSTEM\\CurrentControlSet\\Enum\\" : "Enum\\";
  const std::string device = root + "USB\\" + KeyName(input.Field());
  const std::string instance = device + "\\" + KeyName(input.Field());
  sim::CreateKey(instance);
  Put(instance, "Class", Read(input));
  Put(instance, "ClassGUID", Read(input));
  const std::string function = root + "USB\\VID_04B8&PID_0001&MI_00\\" + KeyName(input.Field());
  sim::CreateKey(function);
  Put(function, "Class", Read(input));
  Put(function, "ClassGUID", Read(input));
  const std::string printer = root + "DOT4PRT\\" + KeyName(input.Field()) + "\\1";
  sim::CreateKey(printer);
  Put(printer, "ClassGUID", Read(input));
  // The device's installation ends after five seconds: its keys go.
  sim::At(5000, [root] { sim::DeleteKey(root + "USB"); });

  RunLauncher("");
  CheckInvariants(uninstall.data.substr(0, uninstall.data.find('\0')));
  return 0;
}
