// bench_devices N...: the cost of FindUsbDevice on the simulated Windows over
// an "Enum\USB" tree of N device keys (one instance each) of which none
// matches the product's hardware ids. One line per size on stdout:
//   keys=N sim_us_per_key=X
// and, on stderr, the cost of a bare RegEnumKeyExA walk of the same tree.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "devices/usb_probe.h"
#include "sim.h"

namespace {

// Best of up to kRepetitions passes; no further pass once a measure has
// taken kBudgetSeconds (the simulator's enumeration is slow on big trees).
const int kRepetitions = 3;
const double kBudgetSeconds = 5.0;
const char kRoot[] = "Enum\\USB";

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BuildMachine(int keys) {
  sim::Reset();
  sim::PoseAs(sim::Release::Win98SE);
  sim::SetModulePath("C:\\Pkg\\Setup.exe");
  sim::WriteFile("C:\\Pkg\\InstallInfo.ini",
                 "[INSTALL_INFO]\r\nVID_PID=VID_0A5F&PID_00F1,VID_0A5F&PID_00F2\r\n");
  char name[64];
  for (int i = 0; i < keys; ++i) {
    // Real-looking ids of other vendors; none contains a listed id.
    std::snprintf(name, sizeof name, "Enum\\USB\\VID_%04X&PID_%04X\\5&%X&0&1", 0x1000 + i / 4096, i % 4096, i);
    sim::CreateKey(name);
  }
}

long BareWalk() {
  HKEY key = NULL;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRoot, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
  long count = 0;
  char name[1024];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
    ++count;
  }
  RegCloseKey(key);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_devices N...\n");
    return 2;
  }
  for (int a = 1; a < argc; ++a) {
    const int keys = std::atoi(argv[a]);
    if (keys < 1) {
      std::fprintf(stderr, "bench_devices: bad size '%s'\n", argv[a]);
      return 2;
    }
    BuildMachine(keys);
    double bestFind = 0, bestFloor = 0, spentFind = 0, spentFloor = 0;
    for (int r = 0; r < kRepetitions && spentFind < kBudgetSeconds && spentFloor < kBudgetSeconds; ++r) {
      // The simulator records every call; start each pass with an empty record.
      sim::ClearCalls();
      auto t0 = std::chrono::steady_clock::now();
      const long walked = BareWalk();
      auto t1 = std::chrono::steady_clock::now();
      sim::ClearCalls();
      auto t2 = std::chrono::steady_clock::now();
      const bool found = FindUsbDevice(kRoot);
      auto t3 = std::chrono::steady_clock::now();
      if (walked != keys || found) {
        std::fprintf(stderr, "bench_devices: tree of %d keys walked as %ld, found=%d\n", keys, walked, found);
        return 1;
      }
      const double floorS = Seconds(t1 - t0), findS = Seconds(t3 - t2);
      spentFloor += floorS;
      spentFind += findS;
      if (r == 0 || floorS < bestFloor) bestFloor = floorS;
      if (r == 0 || findS < bestFind) bestFind = findS;
    }
    std::printf("keys=%d sim_us_per_key=%.2f\n", keys, bestFind * 1e6 / keys);
    std::fprintf(stderr, "keys=%d sim_floor_us_per_key=%.2f\n", keys, bestFloor * 1e6 / keys);
    std::fflush(stdout);
  }
  return 0;
}
