// The purge of the product's OEM INF files (and their .pnf companions) from
// one INF folder, found by the marker text the product's INF files carry.
//
// An INF file is the product's when the upper-cased text of its first 2048
// bytes (UTF-16 little-endian text after a byte-order mark is converted to
// the ANSI code page first) holds the upper-cased marker: [UNINSTALL]
// INFSGUID of the information file, by default
// "{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}". Such a file and the file of the
// same name with ".pnf" are made normal and deleted. Nothing else is ever
// deleted: an empty marker deletes nothing, a path that would not fit 260
// bytes is skipped (never cut), and a file that cannot be opened without
// sharing or read (held by another program) is skipped while the purge goes
// on with the next entry. Nothing is reported.
#pragma once

// `folder` ends in a backslash; `installInfoPath` is the information file
// whose [UNINSTALL] INFSGUID names the marker.
void PurgeOemInfFiles(const char* folder, const char* installInfoPath);

// PurgeOemInfFiles over the Windows folder's "inf\" and then its
// "inf\OTHER\"; nothing when the Windows folder cannot be read or the paths
// would not fit.
void PurgeWindowsInfFolders(const char* installInfoPath);
