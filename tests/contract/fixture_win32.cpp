// The contract fixture on Win32: real files, folders and registry keys. The
// child program of the CreateProcessA tests is a copy of this executable,
// which, started with --contract-child, only leaves its marker file.
#include "fixture.h"

#include <cstring>

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

bool Init(int argc, char** argv) {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  contract::RunningUnderWine() = ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#ifdef CONTRACT_OWN_RUNTIME
  // Built against the launcher's own runtime routines: the code under test
  // is ours, not Wine's, so Wine's known differences do not apply.
  contract::RunningUnderWine() = false;
#endif
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--contract-child") == 0) {
      WriteTextFile(MarkerFor(OwnPath()), "ran");
      return true;
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

void PlaceChildProgram(const std::string& path) {
  RemoveFile(MarkerFor(path));
  if (!CopyFileA(OwnPath().c_str(), path.c_str(), FALSE))
    std::printf("    fixture: cannot copy this program to %s (error %lu)\n", path.c_str(), GetLastError());
}

void* OpenTopLevelWindow(const std::string& title) {
  static ATOM windowClass = 0;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!windowClass) {
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
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

}  // namespace fixture
