// The contract fixture on the host: every set-up goes into the simulated
// machine, which is reset before each test.
#include "fixture.h"

#include "sim.h"

namespace fixture {

static const char kModulePath[] = "C:\\Contract\\contract_host.exe";

bool Init(int, char**) { return false; }

void BeginTest() {
  sim::Reset();
  // The simulator poses 2000 and XP, whose jobs stop counting a process
  // when they ask it to end.
  sim::JobCountsEndingProcesses(false);
  sim::WriteFile(kModulePath, "MZ");
  sim::SetModulePath(kModulePath);
}

void EndTest() {}

std::string TempFolder() { return "C:\\Temp\\contract"; }
void MakeFolder(const std::string& path) { sim::CreateFolder(path); }
void WriteTextFile(const std::string& path, const std::string& content) { sim::WriteFile(path, content); }
bool FileExists(const std::string& path) { return sim::FileExists(path); }
void RemoveFile(const std::string& path) { sim::RemoveFile(path); }
void ForgetKey(const std::string& path) { sim::DeleteKey(path); }

bool UseAnsiCodePage(int codePage) {
  sim::SetAnsiCodePage(codePage);
  return true;
}

int AnsiCodePage() { return sim::AnsiCodePage(); }

std::string MarkerFor(const std::string& programPath) { return programPath + ".ran"; }

void PlaceChildProgram(const std::string& path) {
  sim::WriteFile(path, "MZ");
  const std::string marker = MarkerFor(path);
  sim::DefineProgram(path, [marker] {
    sim::WriteFile(marker, "");
    return DWORD{0};
  });
}

void PlaceHungProgramWithWorker(const std::string& path) {
  sim::WriteFile(path, "MZ");
  sim::WriteFile(path + ".worker.exe", "MZ");
  sim::DefineProgram(path + ".worker.exe", nullptr, INFINITE);
  sim::DefineProgram(path, nullptr, INFINITE);
  sim::SetProgramWorker(path, path + ".worker.exe");
}

void* OpenTopLevelWindow(const std::string& title) { return sim::OpenWindow(title); }
void CloseTopLevelWindow(void* window) { sim::CloseWindow(static_cast<HWND>(window)); }

void ProvideConfigManager() { sim::InstallConfigManager(true); }

std::string OwnFileName() { return "contract_host.exe"; }

// ---- spooler and window messages (printer removal) --------------------------

void ProvideWinspool() { sim::InstallWinspool(); }

bool AddTestPrinter(const std::string& printer, const std::string& driver) {
  sim::AddPrinterDriver(driver);
  sim::AddPrinter(printer, driver);
  return true;
}

void RemoveTestPrinter(const std::string&, const std::string&) {}  // the next test resets the machine

bool PrinterDriverInstalled(const std::string& driver) { return sim::PrinterDriverExists(driver); }

int CommandsReceived(void* window, unsigned id) {
  int n = 0;
  for (const sim::WindowMessage& m : sim::MessagesReceived(static_cast<HWND>(window)))
    if (m.message == WM_COMMAND && m.wParam == id) ++n;
  return n;
}

}  // namespace fixture
