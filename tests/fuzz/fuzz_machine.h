// Shared ground of the fuzz targets: a simulated machine with the package,
// the launcher run on it, and the invariants every run must keep. A target
// takes its bytes through FuzzInput, sets up the machine the input decides,
// runs the launcher and calls CheckInvariants; a broken invariant aborts with
// a message, which libFuzzer reports as a finding with the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sim.h"

namespace fuzz {

const char kPackage[] = "C:\\Pkg";
const char kInstallInfo[] = "C:\\Pkg\\InstallInfo.ini";
const char kProductKey[] = "Software\\Pkg";
const char kPdiEntry[] = "Pdi";
const char kPrinter[] = "Fuzz Printer";
const char kMarker[] = "{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}";  // the default INFSGUID

// Reads an input front to back; past its end every read gives zeros/empty.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte();
  // A field of any bytes: a two-byte little-endian length, then that many
  // bytes (fewer when the input ends first).
  std::string Field();
  std::string Rest();

 private:
  const uint8_t* data_;
  size_t size_;
};

// The code page (1252, 932, 936, 949) and Windows release a run poses;
// the first input byte picks both.
struct Scene {
  int codePage;
  sim::Release release;
};
Scene ChooseScene(uint8_t selector);
const char* ReleaseName(sim::Release release);

// A fresh machine posing as `scene`: the completion event's waiter, the
// package's programs, winspool.drv with the printer kPrinter, net.exe,
// cfgmgr32.dll, the maintenance dialog (the user chooses Uninstall + Next),
// and decoys a careless launcher would run or delete: C:\Program.exe,
// MsiExec.exe and net.exe in the launcher and current folders, a
// cfgmgr32.dll beside the launcher, other programs' INF files.
void PrepareMachine(const Scene& scene);
// The information file with RegistryPath, PDIENTRY and `extra` lines.
void WriteInstallInfo(const std::string& extra = "");
// The product's records: marker and maker key, so the dialog road is taken.
void MarkInstalled();

// Runs the launcher's whole sequence with `commandLine` (the process's
// start-up included), after noting the files present.
void RunLauncher(const std::string& commandLine);

// Aborts when a run broke an invariant: the completion event not set exactly
// once; a key, file, find, process, thread, module or printer handle left
// open; a file deleted that is not a product INF/PNF holding the marker
// (nor a named stale library); a program started that no road names.
// `uninstallCommand` is the command the registry offered, whose program the
// dialog road may start.
void CheckInvariants(const std::string& uninstallCommand = "");

// Fails the run with `what` (printed) when `condition` is false.
void Require(bool condition, const std::string& what);

}  // namespace fuzz
