#include "removal/platform_fixes.h"

#include <string.h>

#include "platform/handles.h"
#include "platform/start_program.h"
#include "records/launcher_paths.h"
#include "records/os_version.h"
#include "removal/file_version.h"
#include "removal/fixup_names.h"

namespace {

// A Windows or system folder as GetWindowsDirectoryA / GetSystemDirectoryA
// report it; false when the call fails or the folder does not fit, so that
// no path is ever built from a cut folder.
bool FolderFits(UINT length, DWORD size) { return length != 0 && length < size; }

// SetFileAttributesA to normal, then DeleteFileA; results are not examined.
void DeleteWhateverItsAttributes(const char* path) {
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
}

// Whether the package's copy of a shared library goes over the system's:
// when the system has none, or one without a version (replaced as ever), or
// an older one than the package's. A system copy whose version cannot be
// read is kept, and so it is when the package's copy has no version.
bool PackageCopyIsWanted(const char* source, const char* target) {
  FileVersion present;
  FileVersion offered;
  switch (ReadFileVersion(target, &present)) {
    case kVersionFileMissing:
    case kVersionNone:
      return true;
    case kVersionUnreadable:
      return false;
    case kVersionFound:
      break;
  }
  return ReadFileVersion(source, &offered) == kVersionFound && IsLaterVersion(offered, present);
}

}  // namespace

void ApplyPlatformFixes() {
  const DWORD kind = CurrentOsKind();
  for (const fixups::ReleaseFixes& fixes : fixups::kFixesByRelease) {
    if (fixes.kind != kind) continue;
    if (fixes.patchLayoutInf) PatchLayoutInf();
    if (fixes.deleteStaleLibraries) DeleteStaleOemDlls();
  }
}

void PatchLayoutInf() {
  char windowsFolder[fixups::kPathSize];
  char layout[fixups::kPathSize];
  memset(windowsFolder, 0, sizeof windowsFolder);
  if (!FolderFits(GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder), sizeof windowsFolder)) return;
  if (!FormatText(layout, sizeof layout, "%s%s", windowsFolder, fixups::kLayoutInf)) return;
  WritePrivateProfileStringA(fixups::kLayoutSection, fixups::kLayoutKey, fixups::kLayoutValue, layout);
}

void DeleteStaleOemDlls() {
  char systemFolder[fixups::kPathSize];
  memset(systemFolder, 0, sizeof systemFolder);
  if (!FolderFits(GetSystemDirectoryA(systemFolder, sizeof systemFolder), sizeof systemFolder)) return;
  for (const char* name : fixups::kStaleLibraries) {
    char path[fixups::kPathSize];
    if (FormatText(path, sizeof path, "%s%s", systemFolder, name)) DeleteWhateverItsAttributes(path);
  }
}

void CopyRuntimeLibraries() {
  char launcherFolder[fixups::kPathSize];
  char systemFolder[fixups::kPathSize];
  memset(systemFolder, 0, sizeof systemFolder);
  if (!GetLauncherFolder(launcherFolder, sizeof launcherFolder)) return;
  if (!FolderFits(GetSystemDirectoryA(systemFolder, sizeof systemFolder), sizeof systemFolder)) return;
  for (const char* name : fixups::kRuntimeLibraries) {
    char source[fixups::kPathSize];
    char target[fixups::kPathSize];
    if (!FormatText(source, sizeof source, "%s%s", launcherFolder, name)) continue;
    if (!FormatText(target, sizeof target, "%s%s", systemFolder, name)) continue;
    // From the package into the system folder, never over a copy as new.
    if (PackageCopyIsWanted(source, target)) CopyFileA(source, target, FALSE);
  }
}

void RunCleanupTool() {
  char launcherFolder[fixups::kPathSize];
  char program[fixups::kPathSize];
  char commandLine[fixups::kCleanupCommandSize];
  if (!GetLauncherFolder(launcherFolder, sizeof launcherFolder)) return;
  if (!FormatText(program, sizeof program, "%s%s", launcherFolder, fixups::kCleanupProgram)) return;
  // The whole command line must fit its buffer; a longer one is not started.
  if (!FormatText(commandLine, sizeof commandLine, "%s %s", program, fixups::kCleanupArguments)) return;
  PROCESS_INFORMATION info;
  if (!StartProgram(program, fixups::kCleanupArguments, &info)) return;
  ScopedHandle process(info.hProcess);
  ScopedHandle thread(info.hThread);
  WaitForSingleObject(process.get(), INFINITE);
}
