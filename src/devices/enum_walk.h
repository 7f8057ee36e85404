// The subkey walk every probe of the enumeration trees shares.
#pragma once

#include "platform/handles.h"
#include "platform/win32.h"

namespace devices {

// Subkey paths are composed in buffers of this size.
const DWORD kComposedPathSize = 2048;

// The name of subkey `index` of `key` into a 1024-byte buffer; false when
// the enumeration ends there (or fails).
bool EnumSubkey(HKEY key, DWORD index, char* name);

// Opens `parentPath` + "\" + `name` below HKEY_LOCAL_MACHINE for reading. A
// path that does not fit kComposedPathSize names no key. When `path` is not
// NULL (kComposedPathSize bytes) it receives the composed path.
bool OpenSubkey(ScopedRegKey& key, const char* parentPath, const char* name, char* path = NULL);

}  // namespace devices
