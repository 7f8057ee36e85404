// Every record the launcher reads or writes, in one place: the keys of the
// installation information file beside the launcher, the product's registry
// records, their defaults, buffer sizes and access rights.
#pragma once

#include "platform/win32.h"

namespace records {

// ---- buffer sizes (bytes, terminating zero included) ----------------------
const DWORD kPathSize = 1024;              // paths, registry names and values
const DWORD kShortSize = 260;              // Windows folders, subkey names of the
                                           // earlier-edition keys, hardware ids,
                                           // "Class"/"ClassGUID" values
const DWORD kInstalledDevicesSize = 5200;  // "InstalledDevices"

// ---- the information file -------------------------------------------------
// Lies in the launcher's folder; its path is that folder + this name.
const char kInstallInfoFileName[] = "\\InstallInfo.ini";

const char kInstallInfoSection[] = "INSTALL_INFO";
const char kUninstallSection[] = "UNINSTALL";

// [INSTALL_INFO], each default empty, each read into kPathSize bytes.
const char kRegistryPathKey[] = "RegistryPath";  // product key below HKLM
const char kPdiEntryKey[] = "PDIENTRY";          // product entry name
const char kGuidUndInfKey[] = "GUIDUNDINF";      // setup class GUID of the device
const char kVidPidKey[] = "VID_PID";             // comma-separated hardware ids

// [UNINSTALL] INFSGUID, read into kShortSize bytes: the marker text of the
// product's INF files.
const char kInfsGuidKey[] = "INFSGUID";
const char kInfsGuidDefault[] = "{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}";

// ---- registry records, all below HKEY_LOCAL_MACHINE -------------------------
const REGSAM kReadAccess = KEY_READ;         // 0x20019, every read
const REGSAM kWriteAccess = KEY_ALL_ACCESS;  // 0xF003F, only where the product key is written

// Product key: <RegistryPath>. Values:
const char kInstalledMarkerSuffix[] = "KEY";          // PDIENTRY + "KEY": installed marker, any type
const char kInstallModeValue[] = "InstallMode";      // REG_SZ, the only value written
const char kInstallModeHardware[] = "Hardware";      // 9 bytes with the zero
const char kInstallModeSoftware[] = "Software";      // 9 bytes with the zero
const char kInstalledLocationValue[] = "InstalledLocation";
const char kInstalledDevicesValue[] = "InstalledDevices";

// Maker key: this prefix + PDIENTRY; it only has to open.
const char kMakerKeyPrefix[] = "Software\\Corvale\\";

// Keys left by earlier editions; a subkey under either refuses installation.
const char* const kEarlierEditionKeys[] = {"Software\\Ostrane\\Tamsk", "Software\\Ostrane\\Varnesse"};

// The product's Windows Uninstall entry: this key + "\" + a field of InstalledDevices.
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kUninstallStringValue[] = "UninstallString";

// Plug and Play enumeration roots, by release family.
const char kUsbRoot9x[] = "Enum\\USB";
const char kDot4Root9x[] = "Enum\\DOT4PRT";
const char kUsbRootNt[] = "SYSTEM\\CurrentControlSet\\Enum\\USB";
const char kDot4RootNt[] = "SYSTEM\\CurrentControlSet\\Enum\\DOT4PRT";
const char kClassValue[] = "Class";
const char kClassGuidValue[] = "ClassGUID";

// ---- named events ------------------------------------------------------------
const char kInstanceEventSuffix[] = "Setup";  // PDIENTRY + "Setup"
const char kCompletionEventName[] = "HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}";

// ---- the longest PDIENTRY every derived name still fits ----------------------
// "Software\Corvale\" + PDIENTRY is the longest of the three.
const DWORD kMaxPdiEntryLength = kPathSize - 1 - (sizeof kMakerKeyPrefix - 1);

}  // namespace records
