// The contract fixture on Win32: real files, folders and registry keys. The
// child program of the CreateProcessA tests is a copy of this executable,
// which, started with --contract-child, only leaves its marker file.
#include "fixture.h"

#include <cstring>
#include <map>
#include <utility>

#include "contract.h"
#include "platform/win32.h"

namespace fixture {

static std::string g_temp;

static std::string OwnPath() {
  char path[MAX_PATH + 1] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string MarkerFor(const std::string& programPath) { return programPath + ".ran"; }

// The hung program: starts itself as its worker, then never ends.
static void StartWorkerAndHang() {
  std::string line = OwnPath() + " --contract-worker";
  STARTUPINFOA si;
  std::memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  if (CreateProcessA(OwnPath().c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    WaitForSingleObject(pi.hProcess, INFINITE);
  Sleep(INFINITE);
}

bool Init(int argc, char** argv) {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  contract::RunningUnderWine() = ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#ifdef CONTRACT_OWN_RUNTIME
  // Built against the launcher's own runtime routines: the code under test
  // is ours, not Wine's, so Wine's known differences do not apply.
  contract::RunningUnderWine() = false;
#endif
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--contract-child") == 0) {
      WriteTextFile(MarkerFor(OwnPath()), "ran");
      return true;
    }
    if (std::strcmp(argv[i], "--contract-hang") == 0) StartWorkerAndHang();
    if (std::strcmp(argv[i], "--contract-worker") == 0) Sleep(INFINITE);
  }
  char temp[MAX_PATH + 1] = {0};
  GetTempPathA(MAX_PATH, temp);
  g_temp = std::string(temp) + "contract";
  MakeFolder(g_temp);
  return false;
}

void BeginTest() {}
void EndTest() {}

std::string TempFolder() { return g_temp; }

void MakeFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

void WriteTextFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("    fixture: cannot write %s (error %lu)\n", path.c_str(), GetLastError());
    return;
  }
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

static bool DeleteTree(HKEY parent, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  for (;;) {
    char name[256];
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (!DeleteTree(key, name)) break;
  }
  RegCloseKey(key);
  return RegDeleteKeyA(parent, path.c_str()) == ERROR_SUCCESS;
}

void ForgetKey(const std::string& path) { DeleteTree(HKEY_LOCAL_MACHINE, path); }

bool UseAnsiCodePage(int codePage) { return static_cast<int>(GetACP()) == codePage; }

int AnsiCodePage() { return static_cast<int>(GetACP()); }

void PlaceHungProgramWithWorker(const std::string& path) {
  if (!CopyFileA(OwnPath().c_str(), path.c_str(), FALSE))
    std::printf("    fixture: cannot copy this program to %s (error %lu)\n", path.c_str(), GetLastError());
}

void PlaceChildProgram(const std::string& path) {
  RemoveFile(MarkerFor(path));
  if (!CopyFileA(OwnPath().c_str(), path.c_str(), FALSE))
    std::printf("    fixture: cannot copy this program to %s (error %lu)\n", path.c_str(), GetLastError());
}

// WM_COMMAND messages received, by window and command id.
static std::map<std::pair<HWND, unsigned>, int> g_commands;

static LRESULT CALLBACK RecordingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    g_commands[std::make_pair(window, static_cast<unsigned>(wParam))] += 1;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void* OpenTopLevelWindow(const std::string& title) {
  static ATOM windowClass = 0;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!windowClass) {
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = RecordingWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "ContractTopLevel";
    windowClass = RegisterClassA(&wc);
  }
  HWND window = CreateWindowExA(0, "ContractTopLevel", title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, instance, nullptr);
  if (!window) std::printf("    fixture: cannot open a window (error %lu)\n", GetLastError());
  return window;
}

void CloseTopLevelWindow(void* window) {
  if (window) DestroyWindow(static_cast<HWND>(window));
}

void ProvideConfigManager() {}

std::string OwnFileName() { return "contract_win32.exe"; }

// ---- spooler and window messages (printer removal) --------------------------
// Queues are added as Wine's spooler takes them without a print system: the
// PostScript driver with its generic PPD, on the FILE: port.

void ProvideWinspool() {}

bool AddTestPrinter(const std::string& printer, const std::string& driver) {
  RemoveTestPrinter(printer, driver);
  DRIVER_INFO_3A info;
  std::memset(&info, 0, sizeof info);
  info.cVersion = 3;
  info.pName = const_cast<char*>(driver.c_str());
  info.pDriverPath = const_cast<char*>("wineps.drv");
  info.pDataFile = const_cast<char*>("generic.ppd");
  info.pConfigFile = const_cast<char*>("wineps.drv");
  if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info))) {
    std::printf("    fixture: AddPrinterDriverA failed (error %lu)\n", GetLastError());
    return false;
  }
  PRINTER_INFO_2A queue;
  std::memset(&queue, 0, sizeof queue);
  queue.pPrinterName = const_cast<char*>(printer.c_str());
  queue.pPortName = const_cast<char*>("FILE:");
  queue.pDriverName = const_cast<char*>(driver.c_str());
  queue.pPrintProcessor = const_cast<char*>("WinPrint");
  queue.pDatatype = const_cast<char*>("RAW");
  HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&queue));
  if (!handle) {
    std::printf("    fixture: AddPrinterA failed (error %lu)\n", GetLastError());
    return false;
  }
  ClosePrinter(handle);
  return true;
}

void RemoveTestPrinter(const std::string& printer, const std::string& driver) {
  HANDLE handle = nullptr;
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (OpenPrinterA(const_cast<char*>(printer.c_str()), &handle, &defaults) && handle) {
    DeletePrinter(handle);
    ClosePrinter(handle);
  }
  DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(driver.c_str()));
}

bool PrinterDriverInstalled(const std::string& driver) {
  DWORD needed = 0, count = 0;
  EnumPrinterDriversA(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
  if (needed == 0) return false;
  std::string buffer(needed, '\0');
  if (!EnumPrinterDriversA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(&buffer[0]), needed, &needed, &count))
    return false;
  const DRIVER_INFO_1A* drivers = reinterpret_cast<const DRIVER_INFO_1A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    if (lstrcmpiA(drivers[i].pName, driver.c_str()) == 0) return true;
  return false;
}

int CommandsReceived(void* window, unsigned id) {
  auto it = g_commands.find(std::make_pair(static_cast<HWND>(window), id));
  return it == g_commands.end() ? 0 : it->second;
}

}  // namespace fixture
