// Owners of operating-system handles, one per kind, so that every handle
// opened is closed on every road out of the function that opened it.
#pragma once

#include "platform/win32.h"

// A registry key below HKEY_LOCAL_MACHINE (or below another open key).
class ScopedRegKey {
 public:
  ScopedRegKey() = default;
  ~ScopedRegKey() { Close(); }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;

  // RegOpenKeyExA with no options; true when the key opened.
  bool Open(HKEY parent, const char* path, REGSAM access) {
    Close();
    HKEY key = NULL;
    if (RegOpenKeyExA(parent, path, 0, access, &key) != ERROR_SUCCESS) return false;
    key_ = key;
    return true;
  }
  // RegCreateKeyExA with no class, options 0, no security attributes.
  bool Create(HKEY parent, const char* path, REGSAM access) {
    Close();
    HKEY key = NULL;
    if (RegCreateKeyExA(parent, path, 0, NULL, 0, access, NULL, &key, NULL) != ERROR_SUCCESS) return false;
    key_ = key;
    return true;
  }
  void Close() {
    if (key_) RegCloseKey(key_);
    key_ = NULL;
  }
  HKEY get() const { return key_; }
  bool is_open() const { return key_ != NULL; }

 private:
  HKEY key_ = NULL;
};

// A kernel object handle (event, process, thread) closed with CloseHandle.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle = NULL) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  void Close() {
    if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = NULL;
  }
  HANDLE get() const { return handle_; }
  bool is_valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
  // Gives the handle up to the caller, who then closes it.
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = NULL;
    return handle;
  }

 private:
  HANDLE handle_;
};

// A library loaded at run time, released with FreeLibrary.
class ScopedLibrary {
 public:
  explicit ScopedLibrary(HMODULE module = NULL) : module_(module) {}
  ~ScopedLibrary() {
    if (module_) FreeLibrary(module_);
  }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;

  HMODULE get() const { return module_; }
  // Releases the library held and holds `module` in its place.
  void Reset(HMODULE module) {
    if (module_) FreeLibrary(module_);
    module_ = module;
  }
  // Keeps the library loaded beyond this owner's life.
  HMODULE Release() {
    HMODULE m = module_;
    module_ = NULL;
    return m;
  }

 private:
  HMODULE module_;
};
