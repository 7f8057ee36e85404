// The simulator's own side of windows, priorities and run-time loading: what
// the contract tests cannot pin against Windows (whose dialogs FindWindowA
// sees, the call log, the search order, the controllable cfgmgr32).
#include <gtest/gtest.h>

#include "sim.h"

namespace {

class SimWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
};

TEST_F(SimWindowsTest, DialogsShownByTheLauncherAreNotFound) {
  bool searched = false;
  sim::DefineDialog("#102", [&](HWND) {
    searched = true;
    EXPECT_EQ(FindWindowA(NULL, NULL), nullptr);
    EXPECT_EQ(FindWindowA(NULL, ""), nullptr);
  });
  DialogBoxParamA(NULL, MAKEINTRESOURCEA(102), NULL,
                  [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
                    if (m == WM_COMMAND && w == IDCANCEL) EndDialog(h, IDCANCEL);
                    return 0;
                  },
                  0);
  EXPECT_TRUE(searched);
}

TEST_F(SimWindowsTest, PriorityChangesAreKeptAndLoggedInOrder) {
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST));
  EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS));
  EXPECT_EQ(sim::ThreadPriority(), THREAD_PRIORITY_LOWEST);
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
  EXPECT_LT(sim::FindCall("SetThreadPriority"), sim::FindCall("SetPriorityClass"));
  EXPECT_EQ(sim::Calls()[sim::FindCall("SetThreadPriority")].detail, "-2");

  EXPECT_FALSE(SetThreadPriority(GetCurrentThread(), 7));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), 0x21));
  EXPECT_FALSE(SetThreadPriority(GetCurrentProcess(), THREAD_PRIORITY_NORMAL));  // not a thread
  sim::FailCall("SetPriorityClass", 1);
  EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS));
  EXPECT_EQ(sim::ThreadPriority(), THREAD_PRIORITY_LOWEST);
  EXPECT_EQ(sim::ProcessPriorityClass(), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
}

DWORD FromPackage(DWORD) { return 1; }
DWORD FromSystem(DWORD) { return 2; }
FARPROC Proc(DWORD (*f)(DWORD)) { return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(f)); }
DWORD CallExport(HMODULE module, const char* name) {
  FARPROC p = GetProcAddress(module, name);
  return p ? reinterpret_cast<DWORD (*)(DWORD)>(reinterpret_cast<void (*)(void)>(p))(0) : 0;
}

// A bare name is looked for in the program's folder before the system
// folder; a full path loads exactly that file.
// A limited user of 2000 and XP writes below the Windows folder only in its
// Temp folder; on 98 anyone writes anywhere.
TEST_F(SimWindowsTest, LimitedUserWritesBelowTheWindowsFolderOnlyInTemp) {
  for (const sim::Release release : {sim::Release::WinXP, sim::Release::Win98SE}) {
    sim::Reset();
    sim::PoseAs(release);
    sim::RunAsLimitedUser(true);
    sim::CreateFolder(sim::WindowsFolder() + "\\Temp");
    for (const std::string name : {"\\Temp\\setup.tmp", "\\setup.tmp"}) {
      HANDLE file = CreateFileA((sim::WindowsFolder() + name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
      EXPECT_EQ(file == INVALID_HANDLE_VALUE, release == sim::Release::WinXP && name == "\\setup.tmp") << name;
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
  }
}

TEST_F(SimWindowsTest, LoadLibrarySearchOrderAndFullPaths) {
  sim::DefineLibrary("C:\\WINDOWS\\SYSTEM32\\x.dll", {{"Fn", Proc(FromSystem)}});
  HMODULE m = LoadLibraryA("x.dll");
  EXPECT_EQ(CallExport(m, "Fn"), 2u);
  FreeLibrary(m);

  sim::DefineLibrary("C:\\Pkg\\X.DLL", {{"Fn", Proc(FromPackage)}});
  m = LoadLibraryA("x");
  EXPECT_EQ(CallExport(m, "Fn"), 1u);
  FreeLibrary(m);
  m = LoadLibraryA("c:\\windows\\system32\\X.dll");
  EXPECT_EQ(CallExport(m, "Fn"), 2u);

  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetProcAddress(m, "fn"), nullptr);  // export names keep their case
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Module), 1);
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Module), 0);
  EXPECT_FALSE(FreeLibrary(m));

  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadLibraryA("C:\\Other\\x.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  sim::FailCall("LoadLibraryA", 1);
  EXPECT_EQ(LoadLibraryA("x.dll"), nullptr);
}

TEST_F(SimWindowsTest, ConfigManagerWaitsForPendingInstallations) {
  sim::InstallConfigManager();
  sim::SetPendingInstallsUntil(5000);
  bool fired = false;
  sim::At(3000, [&] { fired = true; });
  HMODULE m = LoadLibraryA("C:\\WINDOWS\\SYSTEM32\\cfgmgr32.dll");
  FARPROC p = GetProcAddress(m, "CMP_WaitNoPendingInstallEvents");
  ASSERT_NE(p, nullptr);
  auto wait = reinterpret_cast<DWORD (*)(DWORD)>(reinterpret_cast<void (*)(void)>(p));
  EXPECT_EQ(wait(1000), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(sim::Now(), 1000u);
  EXPECT_EQ(wait(INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(sim::Now(), 5000u);
  EXPECT_TRUE(fired);
  EXPECT_EQ(wait(0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(sim::Now(), 5000u);
  FreeLibrary(m);

  sim::InstallConfigManager(false);
  m = LoadLibraryA("C:\\WINDOWS\\SYSTEM32\\cfgmgr32.dll");
  EXPECT_NE(m, nullptr);
  EXPECT_EQ(GetProcAddress(m, "CMP_WaitNoPendingInstallEvents"), nullptr);
  FreeLibrary(m);
}

}  // namespace
