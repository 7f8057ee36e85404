// Set-up that the Win32 API itself cannot express the same way on both sides:
// writing a file, placing a program that can be started, choosing the ANSI
// code page. fixture_host.cpp does it through the simulator's API (sim/sim.h),
// fixture_win32.cpp with real Win32 calls. Test bodies use only these and the
// Win32 functions of the seam.
#pragma once

#include <string>

namespace fixture {

// Called once by main(); returns true when the process was started as the
// child program of a CreateProcessA test (it then only leaves its marker).
bool Init(int argc, char** argv);
// Around each test: the host starts from a fresh simulated machine.
void BeginTest();
void EndTest();

// An existing folder for the test's files, without a trailing backslash.
std::string TempFolder();
void MakeFolder(const std::string& path);
void WriteTextFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
void RemoveFile(const std::string& path);

// Deletes HKLM\<path> with its subkeys, so a test starts from no key.
void ForgetKey(const std::string& path);

// Makes `codePage` the ANSI code page if this side can; false when it cannot
// (the Win32 side runs in the code page Wine took from LANG).
bool UseAnsiCodePage(int codePage);
int AnsiCodePage();

// A program at `path` that, when started, creates the file MarkerFor(path).
void PlaceChildProgram(const std::string& path);
std::string MarkerFor(const std::string& programPath);
// A program at `path` that, when started, starts a worker program and waits
// for it; neither ever ends by itself (as a net command that asks a question).
void PlaceHungProgramWithWorker(const std::string& path);

// A top-level window with `title` (bytes in the ANSI code page), until closed.
void* OpenTopLevelWindow(const std::string& title);
void CloseTopLevelWindow(void* window);

// Makes cfgmgr32.dll, with CMP_WaitNoPendingInstallEvents and no pending
// installations, present in the system folder (Windows has it already).
void ProvideConfigManager();

// The file name of this test program ("contract_host.exe", ...).
std::string OwnFileName();

// ---- spooler and window messages (printer removal) --------------------------
// Makes winspool.drv present in the system folder (Windows has it already).
void ProvideWinspool();
// A printer driver and a queue using it, known to the system's spooler (on
// the host, with the system folder's winspool.drv). False when they cannot
// be added.
bool AddTestPrinter(const std::string& printer, const std::string& driver);
// Removes what AddTestPrinter added, whatever of it is left.
void RemoveTestPrinter(const std::string& printer, const std::string& driver);
bool PrinterDriverInstalled(const std::string& driver);
// WM_COMMAND messages with wParam `id` that a window of OpenTopLevelWindow
// has received.
int CommandsReceived(void* window, unsigned id);

}  // namespace fixture
