// The file version of a library, as its VS_FIXEDFILEINFO in the version
// resource states it, read from the PE file itself: no code of the file runs
// (it is never loaded) and version.dll is not needed. Every offset and size
// the file gives is checked against the file and the buffers; a file that is
// not a PE image, or has no well-formed version resource, has no version.
#pragma once

#include "platform/win32.h"

// dwFileVersionMS and dwFileVersionLS: major.minor and build.revision, each
// half a WORD.
struct FileVersion {
  DWORD ms;
  DWORD ls;
};

enum FileVersionState {
  kVersionFileMissing,  // no such file (or its folder is missing)
  kVersionUnreadable,   // the file exists but could not be opened or read
  kVersionNone,         // read, but no version in it
  kVersionFound,
};

// Where the image's bytes come from: reads exactly `size` bytes at `offset`.
enum ImageRead { kImageRead, kImagePastEnd, kImageReadFailed };
typedef ImageRead (*ReadImageAt)(void* source, DWORD offset, void* buffer, DWORD size);

// Walks a PE image to its version: kVersionFound (with *version),
// kVersionNone, or kVersionUnreadable when a read failed (not merely ended).
FileVersionState FindImageVersion(ReadImageAt read, void* source, FileVersion* version);

// Opens `path` for reading (shared with readers), walks it and closes it.
FileVersionState ReadFileVersion(const char* path, FileVersion* version);

// Whether `a` is a strictly later version than `b`.
bool IsLaterVersion(const FileVersion& a, const FileVersion& b);
