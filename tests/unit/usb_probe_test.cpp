#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "device_fixture.h"
#include "devices/usb_probe.h"
#include "sim.h"

namespace {

using namespace devtest;

const char kRoot[] = "Enum\\USB";
const char kId[] = "VID_04B8&PID_0001";

std::string Under(const std::string& sub) { return std::string(kRoot) + "\\" + sub; }

// Instances numbered 0000, 0001, ... with the given values under `device`.
void AddInstances(const std::string& device, const std::vector<int>& instances) {
  sim::CreateKey(Under(device));
  for (size_t i = 0; i < instances.size(); ++i) AddInstance(Under(device) + "\\000" + std::to_string(i), instances[i]);
}

bool Opened(const std::string& path) {
  for (const sim::Call& c : sim::Calls())
    if (c.function == "RegOpenKeyExA" && c.detail == "HKLM\\" + path) return true;
  return false;
}

class UsbProbeTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
};

TEST_F(UsbProbeTest, MatchesHardwareIdTable) {
  const std::string noFile = "<no information file>";
  const std::string longId(256, 'A'), maxId(255, 'A');
  struct Row {
    std::string vidPid;
    sim::Release release;
    int codePage;
    std::string keyName;
    bool matches;
  };
  const Row rows[] = {
      {kId, sim::Release::WinXP, 1252, "VID_04B8&PID_0001", true},
      {"vid_04b8&pid_0001", sim::Release::WinXP, 1252, "VID_04B8&PID_0001&MI_00", true},
      {kId, sim::Release::Win98, 1252, "vid_04b8&pid_0001&mi_01", true},
      {kId, sim::Release::WinXP, 1252, "VID_04B8&PID_00015", true},  // product id merely begins with the id
      {kId, sim::Release::WinXP, 1252, "VID_04B8&PID_0002", false},
      {"VID_1111&PID_1111,VID_04B8&PID_0001", sim::Release::WinXP, 1252, "VID_04B8&PID_0001", true},
      {",,VID_04B8&PID_0001,,", sim::Release::WinXP, 1252, "VID_04B8&PID_0001", true},
      {",,,", sim::Release::WinXP, 1252, "VID_04B8&PID_0001", false},  // commas yield no empty id
      {"", sim::Release::WinXP, 1252, "VID_04B8&PID_0001", false},
      {noFile, sim::Release::WinXP, 1252, "VID_04B8&PID_0001", false},
      // A blank after a comma belongs to the next id.
      {"VID_1111&PID_1111, VID_04B8&PID_0001", sim::Release::WinXP, 1252, "VID_04B8&PID_0001", false},
      {"VID_1111&PID_1111, VID_04B8&PID_0001", sim::Release::WinXP, 1252, "X VID_04B8&PID_0001", true},
      // Windows Me: only interface keys match.
      {kId, sim::Release::WinMe, 1252, "VID_04B8&PID_0001", false},
      {kId, sim::Release::WinMe, 1252, "VID_04B8&PID_0001&MI_00", true},
      {"vid_04b8&pid_0001", sim::Release::WinMe, 1252, "VID_04B8&PID_0001&mi_02", true},
      {kId, sim::Release::Win98SE, 1252, "VID_04B8&PID_0001", true},
      // Under 932 the comma after lead byte 0x81 is its second byte, not a separator.
      {"VID_\x81,X", sim::Release::WinXP, 932, "ZZX", false},
      {"VID_\x81,X", sim::Release::WinXP, 932, "VID_\x81,X", true},
      {"VID_\x81,X", sim::Release::WinXP, 1252, "ZZX", true},
      // Upper-casing leaves trail bytes alone: 0x83 0x6E is not 0x83 0x4E.
      {"\x83\x6E", sim::Release::WinXP, 932, "\x83\x4E", false},
      {"\x83\x6E", sim::Release::WinXP, 932, "a\x83\x6E", true},
      // An id too long for its 260-byte buffer is skipped; the next one counts.
      {longId + "," + kId, sim::Release::WinXP, 1252, longId, false},
      {longId + "," + kId, sim::Release::WinXP, 1252, "VID_04B8&PID_0001", true},
      {maxId, sim::Release::WinXP, 1252, maxId, true},
      {maxId, sim::Release::WinMe, 1252, maxId + "&MI_00", true},
  };
  for (const Row& r : rows) {
    sim::Reset();
    sim::PoseAs(r.release);
    UseCodePage(r.codePage);
    if (r.vidPid != noFile) WriteInstallInfo(r.vidPid);
    EXPECT_EQ(MatchesHardwareId(r.keyName.c_str()), r.matches)
        << "list '" << r.vidPid.substr(0, 40) << "' key '" << r.keyName.substr(0, 40) << "'";
  }
}

TEST_F(UsbProbeTest, FindUsbDeviceNeedsAMatchingKeyWithAnInstance) {
  struct Row {
    const char* name;
    sim::Release release;
    std::function<void()> tree;
    bool found;
  };
  const Row rows[] = {
      {"no root", sim::Release::WinXP, [] {}, false},
      {"matching key without instance", sim::Release::WinXP, [] { sim::CreateKey(Under(kId)); }, false},
      {"other device with instance", sim::Release::WinXP, [] { AddInstances("VID_1111&PID_2222", {kBoth}); }, false},
      {"later matching key with instance", sim::Release::WinXP,
       [] {
         sim::CreateKey(Under(kId));
         AddInstances(std::string(kId) + "&MI_01", {kNoValues});
       },
       true},
      {"Me: composite parent only", sim::Release::WinMe, [] { AddInstances(kId, {kBoth}); }, false},
      {"Me: interface with instance", sim::Release::WinMe,
       [] {
         AddInstances(kId, {kBoth});
         AddInstances(std::string(kId) + "&MI_00", {kNoValues});
       },
       true},
  };
  for (const Row& r : rows) {
    sim::Reset();
    sim::PoseAs(r.release);
    WriteInstallInfo(kId);
    r.tree();
    EXPECT_EQ(FindUsbDevice(kRoot), r.found) << r.name;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << r.name;
  }

  // An empty or absent id list finds nothing, whatever is enumerated.
  for (bool withFile : {true, false}) {
    sim::Reset();
    if (withFile) WriteInstallInfo("");
    AddInstances(kId, {kBoth});
    EXPECT_FALSE(FindUsbDevice(kRoot));
    EXPECT_FALSE(AreInterfacesSettled(kRoot));
  }
}

TEST_F(UsbProbeTest, InterfaceOutcomeTable) {
  const std::string iface = std::string(kId) + "&MI_01";
  const std::vector<int> absent = {-1};
  struct Row {
    const char* state;
    std::vector<int> interfaceInstances;  // {-1}: no interface key
    std::vector<int> parentInstances;     // {-1}: no parent key
    bool wizardOpen;
    bool result, seen;
  };
  const Row rows[] = {
      {"Class without ClassGUID", {kClass}, absent, false, true, true},
      {"every Class has ClassGUID", {kBoth, kNoValues, kBoth}, {kBoth}, false, false, true},
      {"no instance has Class", {kNoValues, kClassGuid}, {kBoth}, false, false, false},
      {"no instance", {}, {kBoth}, false, false, false},
      {"first lacks Class, later Class only", {kNoValues, kClass}, absent, false, true, true},
      {"set-up instance, later Class only", {kBoth, kClass}, absent, true, true, true},
      {"absent, parent set up, no wizard", absent, {kNoValues, kBoth}, false, true, true},
      {"absent, parent set up, wizard open", absent, {kBoth}, true, false, false},
      {"absent, parent has Class only", absent, {kClass}, false, false, false},
      {"absent, parent has no instance", absent, {}, false, false, false},
      {"absent, no parent", absent, absent, false, false, false},
  };
  for (const Row& r : rows) {
    sim::Reset();
    if (r.interfaceInstances != absent) AddInstances(iface, r.interfaceInstances);
    if (r.parentInstances != absent) AddInstances(kId, r.parentInstances);
    if (r.wizardOpen) sim::OpenWindow("Found New Hardware");
    bool seen = true;
    EXPECT_EQ(ProbeInterfaceKey(Under(iface).c_str(), seen), r.result) << r.state;
    EXPECT_EQ(seen, r.seen) << r.state;
    // The wizard is consulted only when the interface is judged through its parent.
    const bool judgedByParent = r.interfaceInstances == absent && r.parentInstances != absent &&
                                r.parentInstances != std::vector<int>{} && r.parentInstances != std::vector<int>{kClass};
    EXPECT_EQ(sim::CallCount("FindWindowA") > 0, judgedByParent) << r.state;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << r.state;
  }
}

TEST_F(UsbProbeTest, OverlongClassValueCountsAsAbsent) {
  const std::string iface = Under(std::string(kId) + "&MI_00");
  sim::SetString(iface + "\\0000", "Class", std::string(259, 'C'));  // 260 bytes with the zero: fits
  bool seen = false;
  EXPECT_TRUE(ProbeInterfaceKey(iface.c_str(), seen));
  EXPECT_TRUE(seen);
  sim::SetString(iface + "\\0000", "Class", std::string(260, 'C'));
  EXPECT_FALSE(ProbeInterfaceKey(iface.c_str(), seen));
  EXPECT_FALSE(seen);
}

// The wizard check runs at the lowest thread priority; afterwards the thread
// is normal and the process class normal, whatever they were before.
TEST_F(UsbProbeTest, PriorityDroppedAroundTheWizardCheck) {
  for (bool wizardOpen : {false, true}) {
    sim::Reset();
    AddInstances(kId, {kBoth});
    if (wizardOpen) sim::OpenWindow("Add New Hardware Wizard");
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    sim::ClearCalls();
    bool seen;
    EXPECT_EQ(ProbeInterfaceKey(Under(std::string(kId) + "&MI_02").c_str(), seen), !wizardOpen);
    std::vector<std::string> order;
    for (const sim::Call& c : sim::Calls()) {
      if (c.function == "SetThreadPriority" || c.function == "SetPriorityClass") order.push_back(c.function + " " + c.detail);
      if (c.function == "FindWindowA" && order.back() != "wizard check") order.push_back("wizard check");
    }
    EXPECT_EQ(order, (std::vector<std::string>{"SetThreadPriority -2", "SetPriorityClass 32", "wizard check",
                                               "SetThreadPriority 0", "SetPriorityClass 32"}));
    EXPECT_EQ(sim::ThreadPriority(), THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(sim::ProcessPriorityClass(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  }
}

TEST_F(UsbProbeTest, ParentPathCutAtFirstExactInterfaceMarker) {
  struct Row {
    std::string interfacePath, parentOpened;
  };
  const Row rows[] = {
      {Under("VID_1&MI_00"), Under("VID_1")},
      {Under("VID_1&MI_00&MI_01"), Under("VID_1")},
      {Under("VID_1&mi_00"), Under("VID_1&mi_00")},  // the search is case-sensitive
      {Under("VID_1"), Under("VID_1")},
  };
  for (const Row& r : rows) {
    sim::Reset();
    AddInstances("VID_1", {kBoth});
    EXPECT_EQ(ProbeParentDevice(r.interfacePath.c_str()), r.parentOpened == Under("VID_1")) << r.interfacePath;
    EXPECT_TRUE(Opened(r.parentOpened)) << r.interfacePath;
  }
}

TEST_F(UsbProbeTest, AreInterfacesSettledTable) {
  const std::string i0 = std::string(kId) + "&MI_00", i1 = std::string(kId) + "&MI_01", i2 = std::string(kId) + "&MI_02";
  struct Row {
    const char* name;
    std::string vidPid;
    std::function<void()> tree;
    bool settled;
  };
  const Row rows[] = {
      {"two Class only, third absent, parent not set up", kId,
       [&] {
         AddInstances(i0, {kClass});
         AddInstances(i1, {kClass});
         AddInstances(kId, {kClass});
       },
       false},
      {"all absent, parent set up", kId, [&] { AddInstances(kId, {kBoth}); }, true},
      {"all absent, parent set up, wizard open", kId,
       [&] {
         AddInstances(kId, {kBoth});
         sim::OpenWindow("Add Printer Wizard");
       },
       false},
      {"all three set up", kId,
       [&] {
         for (const std::string& i : {i0, i1, i2}) AddInstances(i, {kBoth});
       },
       false},
      {"one Class only, two set up", kId,
       [&] {
         AddInstances(i0, {kBoth});
         AddInstances(i1, {kClass});
         AddInstances(i2, {kBoth});
       },
       true},
      {"one interface without Class", kId,
       [&] {
         AddInstances(i0, {kClass});
         AddInstances(i1, {kNoValues});
         AddInstances(i2, {kBoth});
       },
       false},
      {"second id settled", std::string("VID_1111&PID_1111,") + kId, [&] { AddInstances(kId, {kBoth}); }, true},
      {"blank kept in composed paths", std::string("VID_1111, ") + kId,
       [&] {
         for (const std::string& i : {i0, i1, i2}) AddInstances(" " + i, {kClass});
       },
       true},
      {"blank kept: unblanked keys not probed", std::string("VID_1111, ") + kId,
       [&] {
         for (const std::string& i : {i0, i1, i2}) AddInstances(i, {kClass});
       },
       false},
      {"overlong id skipped", std::string(256, 'A') + "," + kId, [&] { AddInstances(kId, {kBoth}); }, true},
      {"overlong id alone", std::string(256, 'A'), [&] { AddInstances(std::string(256, 'A'), {kBoth}); }, false},
  };
  for (const Row& r : rows) {
    sim::Reset();
    WriteInstallInfo(r.vidPid);
    r.tree();
    EXPECT_EQ(AreInterfacesSettled(kRoot), r.settled) << r.name;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << r.name;
    for (const sim::Call& c : sim::Calls())
      EXPECT_EQ(c.detail.find(std::string(256, 'A')), std::string::npos) << r.name << ": " << c.function;
  }
}

TEST_F(UsbProbeTest, AllThreeInterfacesProbedWhateverTheFirstGives) {
  WriteInstallInfo(kId);
  EXPECT_FALSE(AreInterfacesSettled(kRoot));
  for (const char* n : {"00", "01", "02"}) EXPECT_TRUE(Opened(Under(std::string(kId) + "&MI_" + n))) << n;
}

TEST_F(UsbProbeTest, NoKeyLeftOpenWhenAnyRegistryCallFails) {
  const auto tree = [] {
    WriteInstallInfo(std::string("VID_9999,") + kId);
    AddInstances("VID_0000", {kBoth});
    AddInstances(kId, {kNoValues, kBoth});
    AddInstances(std::string(kId) + "&MI_00", {kNoValues, kClass});
    AddInstances(std::string(kId) + "&MI_01", {kBoth, kBoth});
    AddInstances("VID_9999&MI_00", {kClass});
  };
  ForEachRegistryFailure(tree, [] { FindUsbDevice(kRoot); });
  ForEachRegistryFailure(tree, [] { AreInterfacesSettled(kRoot); });
  ForEachRegistryFailure(tree, [] {
    bool seen;
    ProbeInterfaceKey(Under(std::string(kId) + "&MI_02").c_str(), seen);
  });
}

}  // namespace
