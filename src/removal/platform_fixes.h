// Fixed file operations that prepare the system before the package's
// installer runs. Each works by fixed names (removal/fixup_names.h), reports
// nothing and ignores the results of the system calls it makes.
#pragma once

// Runs the fixes that the current Windows release needs (layout.inf entry,
// stale libraries); nothing on the others.
void ApplyPlatformFixes();

// Adds or replaces the usbhub.sys entry of the Windows INF folder's layout.inf.
void PatchLayoutInf();

// Deletes the two stale libraries from the system folder, read-only or not.
void DeleteStaleOemDlls();

// Copies the two runtime libraries beside the launcher into the system
// folder where the system has none, one without a version, or an older one
// than the package's (removal/file_version.h); never the other way.
void CopyRuntimeLibraries();

// Runs the clean-up program beside the launcher with "-Setup" and waits for
// it to end.
void RunCleanupTool();
