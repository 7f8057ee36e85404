// What a handle allows: the access it was opened with, on Windows NT (2000,
// XP and later; Wine behaves as NT). The 98 family has no security and
// grants every right, so these hold only on NT. Also what an empty subkey
// path opens.
#include <cstring>
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

static const char kAccessKey[] = "Software\\ContractTests\\Access";

static HKEY FreshAccessKey() {
  fixture::ForgetKey(kAccessKey);
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAccessKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr);
  ok(rc == ERROR_SUCCESS, "creating the test key: %ld", static_cast<long>(rc));
  return rc == ERROR_SUCCESS ? key : nullptr;
}

// NT: a key opened with KEY_READ can be read and enumerated but not
// written: ERROR_ACCESS_DENIED.
CONTRACT_TEST(Registry_ReadHandleCannotWrite) {
  HKEY made = FreshAccessKey();
  if (!made) return;
  RegSetValueExA(made, "Mode", 0, REG_SZ, reinterpret_cast<const BYTE*>("Old"), 4);
  RegCloseKey(made);
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAccessKey, 0, KEY_READ, &key);
  ok(rc == ERROR_SUCCESS, "open for reading: %ld", static_cast<long>(rc));
  if (rc != ERROR_SUCCESS) return;
  char data[16] = {0};
  DWORD size = sizeof data;
  rc = RegQueryValueExA(key, "Mode", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  ok(rc == ERROR_SUCCESS && std::strcmp(data, "Old") == 0, "read through it: %ld '%s'", static_cast<long>(rc), data);
  rc = RegSetValueExA(key, "Mode", 0, REG_SZ, reinterpret_cast<const BYTE*>("New"), 4);
  ok(rc == ERROR_ACCESS_DENIED, "write through a read handle: %ld", static_cast<long>(rc));
  RegCloseKey(key);
}

// All Windows versions: an empty subkey path opens the key itself (a new
// handle of its own, closed like any other): its values and subkeys are
// those of the key.
CONTRACT_TEST(Registry_EmptySubkeyPathOpensTheKeyItself) {
  HKEY made = FreshAccessKey();
  if (!made) return;
  RegSetValueExA(made, "PdiKEY", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
  HKEY child = nullptr;
  RegCreateKeyExA(made, "Child", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &child, nullptr);
  if (child) RegCloseKey(child);
  HKEY same = nullptr;
  LONG rc = RegOpenKeyExA(made, "", 0, KEY_READ, &same);
  ok(rc == ERROR_SUCCESS && same != nullptr, "open of \"\": %ld", static_cast<long>(rc));
  RegCloseKey(made);  // the new handle outlives the one it was opened from
  if (rc != ERROR_SUCCESS) return;
  char data[8] = {0};
  DWORD size = sizeof data;
  rc = RegQueryValueExA(same, "PdiKEY", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  ok(rc == ERROR_SUCCESS && std::strcmp(data, "1") == 0, "value through it: %ld", static_cast<long>(rc));
  char name[32] = {0};
  DWORD length = sizeof name;
  rc = RegEnumKeyExA(same, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
  ok(rc == ERROR_SUCCESS && std::strcmp(name, "Child") == 0, "subkey through it: %ld '%s'", static_cast<long>(rc),
     name);
  ok(RegCloseKey(same) == ERROR_SUCCESS, "closing it");

  // Below HKEY_LOCAL_MACHINE itself: the root, whose subkeys include SOFTWARE.
  HKEY root = nullptr;
  rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &root);
  ok(rc == ERROR_SUCCESS, "open of HKLM \"\": %ld", static_cast<long>(rc));
  if (rc != ERROR_SUCCESS) return;
  bool software = false;
  for (DWORD i = 0; !software; ++i) {
    length = sizeof name;
    if (RegEnumKeyExA(root, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    software = length == 8;
    for (DWORD c = 0; software && c < length; ++c) software = (name[c] & ~0x20) == "SOFTWARE"[c];
  }
  ok(software, "HKLM \"\" lists SOFTWARE");
  RegCloseKey(root);
}

// NT: an event opened without EVENT_MODIFY_STATE (0x0002) cannot be set; with
// EVENT_ALL_ACCESS it can.
CONTRACT_TEST(Event_SetNeedsModifyState) {
  HANDLE made = CreateEventA(nullptr, TRUE, FALSE, "ContractEventAccess");
  ok(made != nullptr, "create failed");
  if (!made) return;
  HANDLE waitOnly = OpenEventA(SYNCHRONIZE, FALSE, "ContractEventAccess");
  ok(waitOnly != nullptr, "open for waiting failed");
  if (waitOnly) {
    SetLastError(0xdeadbeef);
    ok(!SetEvent(waitOnly) && GetLastError() == ERROR_ACCESS_DENIED, "set without the right: %lu",
       static_cast<unsigned long>(GetLastError()));
    CloseHandle(waitOnly);
  }
  ok(WaitForSingleObject(made, 0) == WAIT_TIMEOUT, "signalled by a refused SetEvent");
  HANDLE all = OpenEventA(EVENT_ALL_ACCESS, FALSE, "ContractEventAccess");
  ok(all && SetEvent(all), "set with EVENT_ALL_ACCESS");
  if (all) CloseHandle(all);
  CloseHandle(made);
}
