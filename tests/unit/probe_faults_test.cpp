// The device probes against values and keys other programs left: a "Class"
// or "ClassGUID" of any type, or empty, is present (only the read counts);
// a key of the walk that cannot be opened is skipped, and the search goes
// on with the next one.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "device_fixture.h"
#include "devices/settling_wait.h"
#include "devices/usb_probe.h"
#include "sim.h"

namespace {

using namespace devtest;

const char kId[] = "VID_04B8&PID_0001";
const std::string kUsb = std::string("Enum\\USB\\") + kId;

// Runs `probe` once to find the RegOpenKeyExA of `path`, then again on a
// fresh machine with that open failing; returns what the second run gave.
bool WithOpenFailing(const std::string& path, const std::function<void()>& setup, const std::function<bool()>& probe) {
  sim::Reset();
  setup();
  probe();
  int nth = 0;
  bool found = false;
  for (const sim::Call& c : sim::Calls()) {
    if (c.function != "RegOpenKeyExA") continue;
    ++nth;
    if (c.detail == "HKLM\\" + path) {
      found = true;
      break;
    }
  }
  EXPECT_TRUE(found) << path << " was never opened";
  sim::Reset();
  setup();
  sim::FailCall("RegOpenKeyExA", nth);
  const bool result = probe();
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << path;
  return result;
}

struct OddValue {
  const char* what;
  DWORD type;
  std::string data;
};
const OddValue kOddValues[] = {
    {"REG_DWORD", REG_DWORD, std::string("\x01\0\0\0", 4)},
    {"REG_BINARY", REG_BINARY, std::string("\xFF\x00\x7F", 3)},
    {"empty REG_SZ", REG_SZ, std::string("\0", 1)},
    {"REG_SZ of no bytes", REG_SZ, std::string()},
    {"REG_MULTI_SZ", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
};

TEST(ProbeFaultsTest, ClassValuesOfAnyTypeOrEmptyArePresent) {
  for (const OddValue& v : kOddValues) {
    sim::Reset();
    WriteInstallInfo(kId);
    // A class without its GUID: Windows is still installing the interface.
    sim::SetValue(kUsb + "&MI_00\\0000", "Class", v.type, v.data);
    bool seen = false;
    EXPECT_TRUE(ProbeInterfaceKey((kUsb + "&MI_00").c_str(), seen)) << v.what;
    EXPECT_TRUE(seen) << v.what;
    // Both values: this interface has settled.
    sim::SetValue(kUsb + "&MI_00\\0000", "ClassGUID", v.type, v.data);
    EXPECT_FALSE(ProbeInterfaceKey((kUsb + "&MI_00").c_str(), seen)) << v.what;
    EXPECT_TRUE(seen) << v.what;
    // The composite parent's instance with both values of that kind.
    sim::SetValue(kUsb + "\\0000", "Class", v.type, v.data);
    sim::SetValue(kUsb + "\\0000", "ClassGUID", v.type, v.data);
    EXPECT_TRUE(ProbeParentDevice((kUsb + "&MI_01").c_str())) << v.what;
  }
}

TEST(ProbeFaultsTest, KeysThatDoNotOpenAreSkipped) {
  // Two matching device keys with an instance each: the first will not open.
  const auto twoDevices = [] {
    WriteInstallInfo(kId);
    AddInstance(kUsb + "&MI_00\\0000", kClass);
    AddInstance(kUsb + "&MI_01\\0000", kClass);
  };
  EXPECT_TRUE(WithOpenFailing(kUsb + "&MI_00", twoDevices, [] { return FindUsbDevice("Enum\\USB"); }));

  // Two instances of an interface: the first will not open, the second has
  // its class without the GUID yet.
  const auto twoInstances = [] {
    WriteInstallInfo(kId);
    AddInstance(kUsb + "&MI_00\\0000", kBoth);
    AddInstance(kUsb + "&MI_00\\0001", kClass);
    AddInstance(kUsb + "\\0000", kNoValues);
    AddInstance(kUsb + "\\0001", kBoth);
  };
  bool seen = false;
  EXPECT_TRUE(WithOpenFailing(kUsb + "&MI_00\\0000", twoInstances,
                              [&] { return ProbeInterfaceKey((kUsb + "&MI_00").c_str(), seen); }));
  EXPECT_TRUE(seen);
  // The parent's first instance will not open; its second has both values.
  EXPECT_TRUE(WithOpenFailing(kUsb + "\\0000", twoInstances,
                              [] { return ProbeParentDevice((kUsb + "&MI_02").c_str()); }));

  // The printer function: the first device key, then the first instance
  // key, will not open; the product's class is found behind them.
  const auto dot4 = [] {
    WriteInstallInfo(kId);
    AddInstance("Enum\\DOT4PRT\\A_FUNCTION\\0000", kClassGuid, "{00000000-0000-0000-0000-000000000000}");
    AddInstance("Enum\\DOT4PRT\\B_FUNCTION\\0000", kClassGuid, "{00000000-0000-0000-0000-000000000000}");
    AddInstance("Enum\\DOT4PRT\\B_FUNCTION\\0001", kClassGuid);
  };
  for (const char* unopened : {"Enum\\DOT4PRT\\A_FUNCTION", "Enum\\DOT4PRT\\B_FUNCTION\\0000"})
    EXPECT_TRUE(WithOpenFailing(unopened, dot4, [] { return FindDeviceWithSetupClass("Enum\\DOT4PRT"); }))
        << unopened;
}

}  // namespace
