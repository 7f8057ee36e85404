// The product's registered uninstall command, found in two registry hops:
// the product key's "InstalledDevices" value names, in its second
// comma-separated field, the product's entry under the Windows Uninstall
// key, whose "UninstallString" is the command.
#pragma once

#include "platform/win32.h"

// Reads the string value `valueName` of root\subKey (opened with KEY_READ
// and closed again) into `buffer` of `size` bytes. True when it was read;
// otherwise `buffer` holds `defaultValue` (empty when that does not fit).
// A string stored without its terminating zero is read as terminated text;
// one that does not fit with its zero counts as unreadable.
bool ReadRegistryString(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD size,
                        const char* defaultValue);

// Reads the uninstall command of the product whose key (below
// HKEY_LOCAL_MACHINE) is `productKey` into `command`, which holds
// records::kPathSize bytes. False when a hop fails: no "InstalledDevices"
// (or one of 5200 bytes or more with its zero), no comma in it, an empty
// second field, an entry name longer than the Uninstall key path allows
// (207 characters), or no readable "UninstallString" that fits.
bool FindUninstallCommand(const char* productKey, char* command);
