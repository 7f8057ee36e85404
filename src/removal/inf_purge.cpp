#include "removal/inf_purge.h"

#include <string.h>

#include "framework/file.h"
#include "framework/text.h"
#include "platform/find_handle.h"
#include "records/launcher_paths.h"
#include "records/records.h"
#include "records/text_end.h"

namespace {

const DWORD kPathSize = records::kShortSize;  // folders, pattern, candidate paths
const UINT kReadSize = 2048;                   // bytes of a file's beginning examined
const DWORD kTextSize = kReadSize + 2;         // so a full UTF-16 read still ends in a zero unit
const char kInfPattern[] = "*.inf";
const char kCompanionExtension[] = ".pnf";
const char kInfFolder[] = "\\inf\\";   // below the Windows folder
const char kOtherFolder[] = "OTHER\\";  // below the INF folder
const char kUnknownCharacter = '\n';  // stands for a UTF-16 character the code page lacks

// The marker, upper-cased; false when it is empty (it would match every file).
bool ReadMarker(const char* installInfoPath, char* marker) {
  memset(marker, 0, kPathSize);
  GetPrivateProfileStringA(records::kUninstallSection, records::kInfsGuidKey, records::kInfsGuidDefault, marker,
                           kPathSize, installInfoPath);
  EndTextSafely(marker, kPathSize);
  _mbsupr(reinterpret_cast<unsigned char*>(marker));
  return marker[0] != 0;
}

// Up to kReadSize bytes of the file's beginning into the zero-filled `text`,
// the file opened without sharing. False when it cannot be opened or gives
// nothing.
bool ReadBeginning(const char* path, char* text) {
  memset(text, 0, kTextSize);
  CFile file;
  if (!file.Open(path, CFile::modeRead)) return false;
  return file.Read(text, kReadSize) > 0;
}

// The code page's own bytes for one UTF-16 unit into `bytes` (room for two),
// and their number; 0 when the code page has no character of its own for it.
// Windows also gives a "best fit" for many units (a full-width letter becomes
// its ASCII letter, an accented one its plain letter): those bytes read back
// as another unit, and the unit counts as missing, so that a text spelling
// the marker with such look-alikes is never taken for the product's.
int ExactBytesOf(WCHAR unit, char* bytes) {
  if (unit < 0x80) {  // every ANSI code page keeps ASCII as it is
    bytes[0] = static_cast<char>(unit);
    return 1;
  }
  const int length = WideCharToMultiByte(CP_ACP, 0, &unit, 1, bytes, 2, NULL, NULL);
  if (length <= 0) return 0;
  WCHAR back = 0;
  if (MultiByteToWideChar(CP_ACP, 0, bytes, length, &back, 1) != 1 || back != unit) return 0;
  return length;
}

// A text that begins with the UTF-16 little-endian byte-order mark is
// replaced by its conversion to the ANSI code page, up to its first zero
// code unit. A character the code page lacks becomes a line feed and the
// conversion goes on, so that a marker after it is still seen. A marker read
// from the information file never holds a line feed, so such a character can
// never be part of a match (with the usual '?', a marker holding '?' would
// match any text the code page cannot show).
void NarrowUtf16Text(char* text) {
  if (static_cast<unsigned char>(text[0]) != 0xFF || static_cast<unsigned char>(text[1]) != 0xFE) return;
  WCHAR wide[(kTextSize - 2) / 2];
  memcpy(wide, text + 2, sizeof wide);  // ends in the buffer's two zero bytes
  memset(text, 0, kTextSize);
  char* out = text;
  const char* const end = text + kTextSize - 1;  // the last byte stays zero
  for (const WCHAR* unit = wide; *unit; ++unit) {
    char bytes[2];
    int length = ExactBytesOf(*unit, bytes);
    if (length == 0) {
      bytes[0] = kUnknownCharacter;
      length = 1;
    }
    if (out + length > end) break;
    memcpy(out, bytes, length);
    out += length;
  }
}

// A cheap necessary condition for a match, so that the multibyte
// upper-casing, by far the dearest step (about 40 us for 2 KB under Wine,
// where a file's open and read take about 50 us), runs only on texts that
// may hold the marker. Upper-casing in the ANSI code pages maps no other
// byte onto an ASCII letter, so an ASCII marker can only be found where the
// raw text holds it with its letters in either case; the full test then
// decides. A marker with other bytes always takes the full test.
bool MayHoldMarker(const char* text, const char* upperMarker) {
  for (const char* m = upperMarker; *m; ++m)
    if (static_cast<unsigned char>(*m) >= 0x80) return true;
  const size_t length = strlen(upperMarker);
  for (const char* p = text; *p; ++p) {
    size_t i = 0;
    while (i < length && p[i] && (p[i] >= 'a' && p[i] <= 'z' ? p[i] - 'a' + 'A' : p[i]) == upperMarker[i]) ++i;
    if (i == length) return true;
  }
  return false;
}

void MakeNormalAndDelete(const char* path) {
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
}

// Deletes the INF file at `path`, then its companion: the same path with its
// last "." and what follows replaced by ".pnf" (same length, so it fits).
void DeleteWithCompanion(char* path) {
  MakeNormalAndDelete(path);
  unsigned char* dot = _mbsrchr(reinterpret_cast<unsigned char*>(path), '.');
  if (!dot) return;
  strcpy(reinterpret_cast<char*>(dot), kCompanionExtension);
  MakeNormalAndDelete(path);
}

}  // namespace

void PurgeOemInfFiles(const char* folder, const char* installInfoPath) {
  // The marker is read once for the folder, not again for every file: the
  // information file does not change while the launcher runs.
  char marker[kPathSize];
  if (!ReadMarker(installInfoPath, marker)) return;

  char pattern[kPathSize];
  if (!FormatText(pattern, sizeof pattern, "%s%s", folder, kInfPattern)) return;
  // The folder searched is the pattern up to its last backslash.
  char searched[kPathSize];
  strcpy(searched, pattern);
  unsigned char* slash = _mbsrchr(reinterpret_cast<unsigned char*>(searched), '\\');
  if (slash) {
    slash[1] = 0;
  } else {
    searched[0] = 0;
  }

  WIN32_FIND_DATAA entry;
  ScopedFind search;
  if (!search.First(pattern, &entry)) return;
  char candidate[kPathSize];
  char text[kTextSize];
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!FormatText(candidate, sizeof candidate, "%s%s", searched, entry.cFileName)) continue;
    // The search reports each entry's size already: a second search for the
    // file's status alone could tell nothing more and would triple the cost
    // of the purge under Wine (one directory search per file).
    if (entry.nFileSizeHigh == 0 && entry.nFileSizeLow == 0) continue;
    if (!ReadBeginning(candidate, text)) continue;
    NarrowUtf16Text(text);
    if (!MayHoldMarker(text, marker)) continue;
    CString upper(text);
    upper.MakeUpper();
    if (upper.Find(marker) >= 0) DeleteWithCompanion(candidate);
  } while (search.Next(&entry));
}

void PurgeWindowsInfFolders(const char* installInfoPath) {
  char windowsFolder[kPathSize];
  char folder[kPathSize];
  memset(windowsFolder, 0, sizeof windowsFolder);
  const UINT length = GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
  if (length == 0 || length >= sizeof windowsFolder) return;
  if (!FormatText(folder, sizeof folder, "%s%s", windowsFolder, kInfFolder)) return;
  PurgeOemInfFiles(folder, installInfoPath);
  if (!FormatText(folder, sizeof folder, "%s%s%s", windowsFolder, kInfFolder, kOtherFolder)) return;
  PurgeOemInfFiles(folder, installInfoPath);
}
