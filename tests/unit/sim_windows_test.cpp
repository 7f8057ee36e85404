// The simulated windows, priorities and run-time loading behave as the
// launcher relies on Windows to behave.
#include <gtest/gtest.h>

#include "sim.h"

namespace {

class SimWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
};

TEST_F(SimWindowsTest, FindWindowMatchesWholeTopLevelTitles) {
  HWND w = sim::OpenWindow("Add Printer Wizard");
  EXPECT_EQ(FindWindowA(NULL, "add printer WIZARD"), w);
  EXPECT_EQ(FindWindowA(NULL, "Add Printer"), nullptr);
  EXPECT_EQ(FindWindowA(NULL, "Add Printer Wizard "), nullptr);
  EXPECT_EQ(FindWindowA("#32770", "Add Printer Wizard"), nullptr);  // simulated windows have no class
  sim::CloseWindow(w);
  EXPECT_EQ(FindWindowA(NULL, "Add Printer Wizard"), nullptr);

  sim::FailCall("FindWindowA", 2);
  sim::OpenWindow("X");
  EXPECT_NE(FindWindowA(NULL, "X"), nullptr);
  EXPECT_EQ(FindWindowA(NULL, "X"), nullptr);
}

// A trail byte that looks like a letter is part of a double-byte character
// and is never case-folded; single-byte letters are.
TEST_F(SimWindowsTest, FindWindowFoldsOnlySingleByteLettersOfTheCodePage) {
  sim::SetAnsiCodePage(932);
  sim::OpenWindow("\x83\x6E" "abc");
  EXPECT_NE(FindWindowA(NULL, "\x83\x6E" "ABC"), nullptr);
  EXPECT_EQ(FindWindowA(NULL, "\x83\x4E" "abc"), nullptr);

  sim::Reset();
  sim::SetAnsiCodePage(1252);
  sim::OpenWindow("\x83\x6E" "abc");
  EXPECT_NE(FindWindowA(NULL, "\x83\x4E" "ABC"), nullptr);

  // Full-width Latin letters are letters: ａ and Ａ in each double-byte code page.
  const struct {
    int codePage;
    const char *small, *capital;
  } fullWidth[] = {{932, "\x82\x81", "\x82\x60"}, {936, "\xA3\xE1", "\xA3\xC1"}, {949, "\xA3\xFA", "\xA3\xDA"}};
  for (const auto& f : fullWidth) {
    sim::Reset();
    sim::SetAnsiCodePage(f.codePage);
    sim::OpenWindow(f.small);
    EXPECT_NE(FindWindowA(NULL, f.capital), nullptr) << f.codePage;
    EXPECT_EQ(FindWindowA(NULL, "\x82\x82"), nullptr) << f.codePage;
  }
}

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
