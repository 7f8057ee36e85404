#include "devices/usb_probe.h"

#include <string.h>

#include "devices/enum_walk.h"
#include "devices/wizard_watch.h"
#include "platform/handles.h"
#include "records/launcher_paths.h"
#include "records/os_version.h"
#include "records/records.h"

namespace {

// Suffix of the key of one interface function of a composite device.
const char kInterfaceMarker[] = "&MI_";
// Longest id that still leaves room for kInterfaceMarker and the zero in a
// kShortSize buffer: 255 bytes.
const size_t kMaxIdLength = records::kShortSize - sizeof kInterfaceMarker;

// The ids of the VID_PID list, split at commas. The split is multibyte-aware,
// so a comma that is the second byte of a double-byte character stays part of
// its id. Runs of commas and commas at either end yield no id; blanks are kept.
class HardwareIdList {
 public:
  HardwareIdList() {
    memset(list_, 0, sizeof list_);
    ReadInstallInfoValue(records::kVidPidKey, list_, sizeof list_);
    next_ = reinterpret_cast<const unsigned char*>(list_);
  }
  HardwareIdList(const HardwareIdList&) = delete;
  HardwareIdList& operator=(const HardwareIdList&) = delete;

  // Copies the next id into `id` (kShortSize bytes); false when none is left.
  // An id longer than kMaxIdLength does not fit its buffer: it is skipped and
  // matches nothing.
  bool Next(char* id) {
    while (*next_) {
      if (*next_ == ',') {
        ++next_;
        continue;
      }
      const unsigned char* start = next_;
      const unsigned char* comma = _mbschr(start, ',');
      const size_t length = comma ? static_cast<size_t>(comma - start) : strlen(reinterpret_cast<const char*>(start));
      next_ = start + length;
      if (length > kMaxIdLength) continue;
      memcpy(id, start, length);
      id[length] = 0;
      id[length + 1] = 0;  // a second zero: see records/text_end.h
      return true;
    }
    return false;
  }

 private:
  char list_[records::kPathSize];
  const unsigned char* next_;
};

// Whether `valueName` can be read into a kShortSize buffer; its type and
// text do not matter, and a value too long for the buffer counts as absent.
bool HasValue(HKEY key, const char* valueName) {
  BYTE data[records::kShortSize];
  DWORD size = sizeof data;
  return RegQueryValueExA(key, valueName, NULL, NULL, data, &size) == ERROR_SUCCESS;
}

}  // namespace

using devices::EnumSubkey;
using devices::OpenSubkey;

bool FindUsbDevice(const char* enumRoot) {
  ScopedRegKey root;
  if (!root.Open(HKEY_LOCAL_MACHINE, enumRoot, records::kReadAccess)) return false;
  char name[records::kPathSize];
  for (DWORD index = 0; EnumSubkey(root.get(), index, name); ++index) {
    if (!MatchesHardwareId(name)) continue;
    ScopedRegKey device;
    if (!OpenSubkey(device, enumRoot, name)) continue;
    // The device has been plugged in when its key holds an instance.
    char instance[records::kPathSize];
    memset(instance, 0, sizeof instance);
    if (EnumSubkey(device.get(), 0, instance) && instance[0]) return true;
  }
  return false;
}

bool MatchesHardwareId(const char* keyName) {
  HardwareIdList ids;
  // Windows Me enumerates only the interface functions of the device under
  // the listed id: the id must be followed by the interface marker.
  const bool needInterface = CurrentOsKind() == OS_WINME;
  unsigned char upperName[records::kPathSize];
  if (!FormatText(reinterpret_cast<char*>(upperName), sizeof upperName, "%s", keyName)) return false;
  _mbsupr(upperName);
  unsigned char id[records::kShortSize];
  while (ids.Next(reinterpret_cast<char*>(id))) {
    if (needInterface) strcat(reinterpret_cast<char*>(id), kInterfaceMarker);  // fits: see kMaxIdLength
    _mbsupr(id);
    if (_mbsstr(upperName, id)) return true;
  }
  return false;
}

bool AreInterfacesSettled(const char* enumRoot) {
  HardwareIdList ids;
  char id[records::kShortSize];
  while (ids.Next(id)) {
    bool anyResult = false;
    bool allSeen = true;
    // All three interfaces are probed, whatever the earlier ones gave.
    for (int number = 0; number < 3; ++number) {
      char interfacePath[records::kPathSize];
      bool seen = false;
      // An interface path that does not fit names no key and no parent.
      if (FormatText(interfacePath, sizeof interfacePath, "%s\\%s%s%02d", enumRoot, id, kInterfaceMarker, number) &&
          ProbeInterfaceKey(interfacePath, seen))
        anyResult = true;
      allSeen = allSeen && seen;
    }
    if (allSeen && anyResult) return true;
  }
  return false;
}

bool ProbeInterfaceKey(const char* interfacePath, bool& interfaceSeen) {
  interfaceSeen = false;
  ScopedRegKey interfaceKey;
  if (interfaceKey.Open(HKEY_LOCAL_MACHINE, interfacePath, records::kReadAccess)) {
    char name[records::kPathSize];
    for (DWORD index = 0; EnumSubkey(interfaceKey.get(), index, name); ++index) {
      ScopedRegKey instance;
      if (!OpenSubkey(instance, interfacePath, name)) continue;
      if (!HasValue(instance.get(), records::kClassValue)) continue;
      interfaceSeen = true;
      // A class name without its GUID: Windows is still installing this function.
      if (!HasValue(instance.get(), records::kClassGuidValue)) return true;
    }
    return false;
  }

  // No key for the interface: judge it by its composite parent, unless a
  // device-installation wizard is still on screen. The check runs at the
  // lowest thread priority so the wizard's process gets the processor.
  if (!ProbeParentDevice(interfacePath)) return false;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
  SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  const bool wizardOpen = IsHardwareWizardOpen();
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  if (wizardOpen) return false;
  interfaceSeen = true;
  return true;
}

bool ProbeParentDevice(const char* interfacePath) {
  unsigned char parentPath[records::kPathSize];
  if (!FormatText(reinterpret_cast<char*>(parentPath), sizeof parentPath, "%s", interfacePath)) return false;
  unsigned char* marker = _mbsstr(parentPath, reinterpret_cast<const unsigned char*>(kInterfaceMarker));
  if (marker) *marker = 0;
  const char* parent = reinterpret_cast<const char*>(parentPath);

  ScopedRegKey parentKey;
  if (!parentKey.Open(HKEY_LOCAL_MACHINE, parent, records::kReadAccess)) return false;
  char name[records::kPathSize];
  for (DWORD index = 0; EnumSubkey(parentKey.get(), index, name); ++index) {
    ScopedRegKey instance;
    if (!OpenSubkey(instance, parent, name)) continue;
    if (HasValue(instance.get(), records::kClassValue) && HasValue(instance.get(), records::kClassGuidValue))
      return true;
  }
  return false;
}
