// File-system behaviour the launcher relies on: search, attributes, opening
// with share modes, reading, deletion, copying, profile writing and the
// UTF-16 to ANSI conversion.
#include <cstring>
#include <set>
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

static unsigned long Err() { return static_cast<unsigned long>(GetLastError()); }

// A fresh folder below the test folder.
static std::string Folder(const char* name) {
  const std::string folder = fixture::TempFolder() + "\\" + name;
  fixture::MakeFolder(folder);
  return folder;
}

static HANDLE Open(const std::string& path, DWORD access, DWORD share) {
  return CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

static std::string Contents(const std::string& path) {
  HANDLE file = Open(path, GENERIC_READ, FILE_SHARE_READ);
  if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
  char buffer[512];
  DWORD got = 0;
  ReadFile(file, buffer, sizeof buffer, &got, nullptr);
  CloseHandle(file);
  return std::string(buffer, got);
}

// Every release gives a folder with a long name one short 8.3 form, named
// long or short, that names the same folder (as a PATH of 98 and Me does).
CONTRACT_TEST(File_ShortFormNamesTheSameFolder) {
  const std::string folder = Folder("Long Folder Name");
  fixture::WriteTextFile(folder + "\\inside.txt", "x");
  char shortForm[MAX_PATH], again[MAX_PATH];
  const DWORD length = GetShortPathNameA(folder.c_str(), shortForm, sizeof shortForm);
  ok(length > 0 && length < sizeof shortForm, "short form: %lu", Err());
  if (length == 0 || length >= sizeof shortForm) return;
  const std::string text(shortForm);
  ok(text.find(' ') == std::string::npos && text.find("Long Folder Name") == std::string::npos, "%s", shortForm);
  ok(GetShortPathNameA(shortForm, again, sizeof again) == length && text == again, "again: %s", again);
  const DWORD attributes = GetFileAttributesA(shortForm);
  ok(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY), "not a folder: %lu", Err());
  ok(GetFileAttributesA((text + "\\inside.txt").c_str()) != INVALID_FILE_ATTRIBUTES, "file not found: %lu", Err());
}

// All Windows versions: a search lists matching files and folders, a folder
// with FILE_ATTRIBUTE_DIRECTORY, each file with its size, then ends with
// ERROR_NO_MORE_FILES. (FAT lists in creation order, NTFS and Wine by name:
// the order is not checked here.)
CONTRACT_TEST(File_SearchListsFilesAndFoldersThenNoMoreFiles) {
  const std::string folder = Folder("search");
  fixture::WriteTextFile(folder + "\\b.inf", "12345");
  fixture::WriteTextFile(folder + "\\A.INF", "");
  fixture::WriteTextFile(folder + "\\c.txt", "x");
  fixture::MakeFolder(folder + "\\x.inf");
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*.inf").c_str(), &data);
  ok(find != INVALID_HANDLE_VALUE, "search failed: %lu", Err());
  if (find == INVALID_HANDLE_VALUE) return;
  std::set<std::string> names;
  do {
    names.insert(data.cFileName);
    if (std::strcmp(data.cFileName, "x.inf") == 0)
      ok((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, "x.inf attributes %lx",
         static_cast<unsigned long>(data.dwFileAttributes));
    if (std::strcmp(data.cFileName, "b.inf") == 0)
      ok(data.nFileSizeLow == 5 && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY), "b.inf size %lu attr %lx",
         static_cast<unsigned long>(data.nFileSizeLow), static_cast<unsigned long>(data.dwFileAttributes));
    SetLastError(0xdeadbeef);
  } while (FindNextFileA(find, &data));
  ok(GetLastError() == ERROR_NO_MORE_FILES, "end of search: %lu", Err());
  ok(names == std::set<std::string>({"A.INF", "b.inf", "x.inf"}), "%zu names", names.size());
  ok(FindClose(find) != FALSE, "FindClose failed");
}

// All Windows versions: a search with no match fails with
// ERROR_FILE_NOT_FOUND, in a missing folder with ERROR_PATH_NOT_FOUND.
CONTRACT_TEST(File_SearchWithoutMatchOrFolder) {
  const std::string folder = Folder("nomatch");
  fixture::WriteTextFile(folder + "\\a.txt", "x");
  WIN32_FIND_DATAA data;
  SetLastError(0xdeadbeef);
  HANDLE find = FindFirstFileA((folder + "\\*.inf").c_str(), &data);
  ok(find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND, "no match: %p %lu", find, Err());
  SetLastError(0xdeadbeef);
  find = FindFirstFileA((folder + "\\absent\\*.inf").c_str(), &data);
  ok(find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND, "no folder: %p %lu", find, Err());
}

// All Windows versions: a file opened with no sharing refuses every other
// opener with ERROR_SHARING_VIOLATION (32); one opened for reading with
// FILE_SHARE_READ admits readers and refuses writers.
CONTRACT_TEST(File_ShareModesAgainstOtherOpeners) {
  const std::string path = Folder("share") + "\\held.inf";
  fixture::WriteTextFile(path, "text");
  HANDLE exclusive = Open(path, GENERIC_READ, 0);
  ok(exclusive != INVALID_HANDLE_VALUE, "exclusive open failed: %lu", Err());
  SetLastError(0xdeadbeef);
  HANDLE second = Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ok(second == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION, "reader beside exclusive: %lu",
     Err());
  if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
  if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);

  HANDLE shared = Open(path, GENERIC_READ, FILE_SHARE_READ);
  HANDLE reader = Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ok(reader != INVALID_HANDLE_VALUE, "reader beside shared reader: %lu", Err());
  SetLastError(0xdeadbeef);
  HANDLE writer = Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ok(writer == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION, "writer beside reader: %lu",
     Err());
  SetLastError(0xdeadbeef);
  HANDLE alone = Open(path, GENERIC_READ, 0);
  ok(alone == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION, "exclusive beside reader: %lu",
     Err());
  SetLastError(0xdeadbeef);
  ok(!DeleteFileA(path.c_str()) && GetLastError() == ERROR_SHARING_VIOLATION, "delete of an open file: %lu", Err());
  for (HANDLE h : {shared, reader, writer, alone})
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

// All Windows versions: ReadFile gives at most the bytes asked for, then the
// rest, then succeeds with 0 bytes at the end of the file (or beyond it).
CONTRACT_TEST(File_ReadInPiecesThenZeroAtEnd) {
  const std::string path = Folder("read") + "\\ten.inf";
  fixture::WriteTextFile(path, "0123456789");
  HANDLE file = Open(path, GENERIC_READ, 0);
  ok(file != INVALID_HANDLE_VALUE, "open failed: %lu", Err());
  if (file == INVALID_HANDLE_VALUE) return;
  char buffer[100] = {0};
  DWORD got = 99;
  ok(ReadFile(file, buffer, 4, &got, nullptr) && got == 4 && std::memcmp(buffer, "0123", 4) == 0, "first: %lu",
     static_cast<unsigned long>(got));
  ok(ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got == 6 && std::memcmp(buffer, "456789", 6) == 0,
     "second: %lu", static_cast<unsigned long>(got));
  ok(ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got == 0, "at end: %lu", static_cast<unsigned long>(got));
  // A read after SetFilePointer starts there; beyond the end it gives 0 bytes.
  ok(SetFilePointer(file, 7, nullptr, FILE_BEGIN) == 7 && ReadFile(file, buffer, 4, &got, nullptr) && got == 3 &&
         buffer[0] == '7' && SetFilePointer(file, 99, nullptr, FILE_BEGIN) == 99 &&
         ReadFile(file, buffer, 4, &got, nullptr) && got == 0, "after a seek: %lu", static_cast<unsigned long>(got));
  CloseHandle(file);
}

// All Windows versions: a folder cannot be opened as a file
// (ERROR_ACCESS_DENIED), nor deleted with DeleteFileA; a missing file opens
// with ERROR_FILE_NOT_FOUND.
CONTRACT_TEST(File_FolderAndMissingFile) {
  const std::string folder = Folder("folder.inf");
  SetLastError(0xdeadbeef);
  HANDLE h = Open(folder, GENERIC_READ, 0);
  ok(h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED, "open folder: %lu", Err());
  SetLastError(0xdeadbeef);
  ok(!DeleteFileA(folder.c_str()) && GetLastError() == ERROR_ACCESS_DENIED, "delete folder: %lu", Err());
  ok((GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0, "folder gone");
  SetLastError(0xdeadbeef);
  h = Open(folder + "\\absent.inf", GENERIC_READ, 0);
  ok(h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND, "open missing: %lu", Err());
  SetLastError(0xdeadbeef);
  ok(!DeleteFileA((folder + "\\absent.inf").c_str()) && GetLastError() == ERROR_FILE_NOT_FOUND, "delete missing: %lu",
     Err());
}

// All Windows versions: a path is looked up without the trailing blanks and
// dots of its last part ("dir ." is dir, "un.exe " is un.exe), but not
// without its other text ("dir x" is not dir).
CONTRACT_TEST(File_LastPartLosesTrailingBlanksAndDots) {
  const std::string folder = Folder("Uninst");
  fixture::WriteTextFile(folder + "\\un.exe", "MZ");
  for (const char* tail : {" ", ".", " . ", "\\"})
    ok((GetFileAttributesA((folder + tail).c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           GetFileAttributesA((folder + tail).c_str()) != INVALID_FILE_ATTRIBUTES,
       "folder + '%s': %lx", tail, static_cast<unsigned long>(GetFileAttributesA((folder + tail).c_str())));
  ok(GetFileAttributesA((folder + "\\un.exe . ").c_str()) != INVALID_FILE_ATTRIBUTES, "file with trailing text: %lu",
     Err());
  SetLastError(0xdeadbeef);
  ok(GetFileAttributesA((folder + " x").c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND,
     "folder + ' x': %lu", Err());
}

// Wine: SearchPathA looks a full path up as it stands before it adds the
// extension, and a folder counts as found ("...\\Uninst" beside Uninst.exe
// gives the folder). The launcher takes a folder as not found either way.
CONTRACT_TEST(Search_FullPathAsItStandsFindsAFolder) {
  const std::string folder = Folder("Uninst");
  fixture::WriteTextFile(folder + ".exe", "MZ");
  char found[MAX_PATH];
  const DWORD length = SearchPathA(nullptr, folder.c_str(), ".exe", sizeof found, found, nullptr);
  ok(length == folder.size() && std::string(found) == folder, "found %lu: %s", static_cast<unsigned long>(length),
     length ? found : "");
}

// All Windows versions: DeleteFileA refuses a read-only file with
// ERROR_ACCESS_DENIED (also for an administrator, and under Wine as root);
// once its attributes are normal it is deleted and its attributes can no
// longer be read.
CONTRACT_TEST(File_ReadOnlyRefusesDeletionUntilMadeNormal) {
  const std::string path = Folder("readonly") + "\\ro.inf";
  fixture::WriteTextFile(path, "x");
  ok(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN) != FALSE, "set: %lu", Err());
  const DWORD attributes = GetFileAttributesA(path.c_str());
  ok(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY), "attributes %lx",
     static_cast<unsigned long>(attributes));
  SetLastError(0xdeadbeef);
  ok(!DeleteFileA(path.c_str()) && GetLastError() == ERROR_ACCESS_DENIED, "delete read-only: %lu", Err());
  ok(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE, "normal: %lu", Err());
  ok(!(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY), "still read-only");
  ok(DeleteFileA(path.c_str()) != FALSE, "delete: %lu", Err());
  SetLastError(0xdeadbeef);
  ok(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND,
     "after deletion: %lu", Err());
  SetLastError(0xdeadbeef);
  ok(!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) && GetLastError() == ERROR_FILE_NOT_FOUND,
     "attributes of a missing file: %lu", Err());
}

// All Windows versions: the ANSI file calls take names of at most MAX_PATH
// characters with the terminating zero (documented for CreateFileA,
// CopyFileA, DeleteFileA; 95, 98 and Me: "must not exceed MAX_PATH"; the
// longest local path is "D:\<256 characters>" before the zero: "Naming
// Files, Paths, and Namespaces"). A name of 260 characters is refused with
// ERROR_FILENAME_EXCED_RANGE; 259 are taken. Wine takes 260 (seen: the copy
// and the creation succeed).
CONTRACT_TEST(File_AnsiNamesOfMaxPathCharactersAreRefused) {
  std::string folder = Folder("long");
  while (folder.size() < 200) {
    folder += "\\" + std::string(40, 'd');
    fixture::MakeFolder(folder);
  }
  const std::string fits = folder + "\\" + std::string(MAX_PATH - 2 - folder.size(), 'f');
  const std::string over = fits + "g";
  fixture::WriteTextFile(fits, "x");
  ok(GetFileAttributesA(fits.c_str()) != INVALID_FILE_ATTRIBUTES, "259 characters: %lu", Err());
  SetLastError(0xdeadbeef);
  todo_wine_ok(!CopyFileA(fits.c_str(), over.c_str(), FALSE) && GetLastError() == ERROR_FILENAME_EXCED_RANGE,
               "copy to 260 characters: %lu", Err());
  SetLastError(0xdeadbeef);
  HANDLE file = CreateFileA(over.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  todo_wine_ok(file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILENAME_EXCED_RANGE,
               "create 260 characters: %lu", Err());
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  SetLastError(0xdeadbeef);
  todo_wine_ok(GetFileAttributesA(over.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILENAME_EXCED_RANGE,
               "attributes of 260 characters: %lu", Err());
  ok(DeleteFileA(fits.c_str()) != FALSE, "delete 259 characters: %lu", Err());
  DeleteFileA(over.c_str());  // what Wine made
}

// All Windows versions: CopyFileA with fail-if-exists TRUE leaves an
// existing target alone (ERROR_FILE_EXISTS); with FALSE it replaces it. A
// missing source gives ERROR_FILE_NOT_FOUND and creates nothing.
CONTRACT_TEST(File_CopyFailIfExistsHonoured) {
  const std::string folder = Folder("copy");
  fixture::WriteTextFile(folder + "\\new.dll", "new");
  fixture::WriteTextFile(folder + "\\old.dll", "old");
  SetLastError(0xdeadbeef);
  ok(!CopyFileA((folder + "\\new.dll").c_str(), (folder + "\\old.dll").c_str(), TRUE) &&
         GetLastError() == ERROR_FILE_EXISTS,
     "fail if exists: %lu", Err());
  ok(Contents(folder + "\\old.dll") == "old", "target changed");
  ok(CopyFileA((folder + "\\new.dll").c_str(), (folder + "\\old.dll").c_str(), FALSE) != FALSE, "replace: %lu",
     Err());
  ok(Contents(folder + "\\old.dll") == "new", "target not replaced");
  SetLastError(0xdeadbeef);
  ok(!CopyFileA((folder + "\\absent.dll").c_str(), (folder + "\\made.dll").c_str(), FALSE) &&
         GetLastError() == ERROR_FILE_NOT_FOUND,
     "missing source: %lu", Err());
  ok(!fixture::FileExists(folder + "\\made.dll"), "target made from nothing");
}

// All Windows versions: WritePrivateProfileStringA replaces the value of an
// existing key, adds a missing key to its section and a missing section to
// the file, creates a missing file, and leaves the other lines alone.
CONTRACT_TEST(Profile_WriteCreatesOrReplacesAndKeepsTheRest) {
  const std::string folder = Folder("profilewrite");
  const std::string path = folder + "\\layout.inf";
  fixture::WriteTextFile(path, "; comment\r\n[Disks]\r\n5=\"Disk\"\r\n[Files]\r\nusbhub.sys=1,,10\r\nfoo.sys=2\r\n");
  ok(WritePrivateProfileStringA("files", "USBHUB.SYS", "5,..\\d,26768", path.c_str()) != FALSE, "replace: %lu", Err());
  ok(WritePrivateProfileStringA("Files", "bar.sys", "3", path.c_str()) != FALSE, "add key: %lu", Err());
  ok(WritePrivateProfileStringA("New", "k", "v", path.c_str()) != FALSE, "add section: %lu", Err());
  char value[64];
  GetPrivateProfileStringA("Files", "usbhub.sys", "", value, sizeof value, path.c_str());
  ok(std::strcmp(value, "5,..\\d,26768") == 0, "replaced value '%s'", value);
  GetPrivateProfileStringA("Files", "foo.sys", "", value, sizeof value, path.c_str());
  ok(std::strcmp(value, "2") == 0, "other key '%s'", value);
  GetPrivateProfileStringA("Files", "bar.sys", "", value, sizeof value, path.c_str());
  ok(std::strcmp(value, "3") == 0, "added key '%s'", value);
  GetPrivateProfileStringA("New", "k", "", value, sizeof value, path.c_str());
  ok(std::strcmp(value, "v") == 0, "added section '%s'", value);
  const std::string text = Contents(path);
  ok(text.find("; comment\r\n[Disks]\r\n5=\"Disk\"\r\n") == 0, "head changed: %s", text.c_str());
  ok(text.find("1,,10") == std::string::npos, "old value still there: %s", text.c_str());

  const std::string fresh = folder + "\\fresh.inf";
  ok(WritePrivateProfileStringA("S", "k", "v", fresh.c_str()) != FALSE, "create: %lu", Err());
  GetPrivateProfileStringA("S", "k", "", value, sizeof value, fresh.c_str());
  ok(std::strcmp(value, "v") == 0, "created value '%s'", value);
}

// Code page 1252: a character the code page cannot represent becomes the
// default character and the text after it is still converted.
CONTRACT_TEST(Wide_UnrepresentableCharacterReplacedAndTextGoesOn_1252) {
  if (!fixture::UseAnsiCodePage(1252)) skip_test("needs code page 1252");
  const WCHAR wide[] = {'a', 0x4E00, 0x20AC, 0xE9, 'z', 0};
  char narrow[16];
  std::memset(narrow, 'x', sizeof narrow);
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr,
                                    &usedDefault);
  ok(n == 6 && std::strcmp(narrow, "a?\x80\xe9z") == 0, "%d '%s'", n, narrow);
  ok(usedDefault != FALSE, "default character not reported");
  // A default character of the caller's stands in instead of '?'.
  const int given = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, "\n", nullptr);
  ok(given == 6 && std::strcmp(narrow, "a\n\x80\xe9z") == 0, "%d '%s'", given, narrow);
}

// Every code page the launcher meets, converted whole without flags: each
// UTF-16 unit to bytes (best fit included, and whether the default character
// stood in), and each byte and each lead/trail pair to UTF-16 (a lead byte
// before a zero or at the end reads as the Unicode default), hashed (FNV-1a)
// against the hashes of Windows' tables as Wine 8 converts them. A hash that
// differs names the code page and the direction.
static void Hash(uint32_t* h, const void* data, size_t size) {
  for (size_t i = 0; i < size; ++i) *h = (*h ^ static_cast<const unsigned char*>(data)[i]) * 16777619u;
}

CONTRACT_TEST(Wide_EveryCharacterOfEachCodePageConvertsAsWindowsTables) {
  const struct {
    UINT codePage;
    bool doubleByte;
    uint32_t toBytes, toUnicode;
  } pages[] = {
      {1250, false, 0x20E264CD, 0x3F485A60}, {1251, false, 0x55632CD2, 0x725A2DAF},
      {1252, false, 0x89E46EB2, 0xD57F8130}, {932, true, 0xE8F65DC7, 0xEA6D4870},
      {936, true, 0x77349878, 0xB7884551},   {949, true, 0xD8CD23B7, 0x13D36552},
  };
  for (const auto& page : pages) {
    uint32_t toBytes = 2166136261u, toUnicode = 2166136261u;
    for (unsigned int unit = 0; unit <= 0xFFFF; ++unit) {
      const WCHAR wide = static_cast<WCHAR>(unit);
      char narrow[4] = {};
      BOOL used = FALSE;
      const int n = WideCharToMultiByte(page.codePage, 0, &wide, 1, narrow, sizeof narrow, nullptr, &used);
      const unsigned char record[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(narrow[0]),
                                       static_cast<unsigned char>(n == 2 ? narrow[1] : 0), static_cast<unsigned char>(used)};
      Hash(&toBytes, record, sizeof record);
    }
    for (unsigned int code = 0; code <= 0xFFFF; ++code) {
      const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
      const bool pair = code > 0xFF;
      if (pair && !page.doubleByte) break;
      WCHAR wide[2] = {};
      const int n = MultiByteToWideChar(page.codePage, 0, pair ? bytes : bytes + 1, pair ? 2 : 1, wide, 2);
      const WCHAR record[3] = {static_cast<WCHAR>(n), wide[0], static_cast<WCHAR>(n == 2 ? wide[1] : 0)};
      Hash(&toUnicode, record, sizeof record);
    }
    ok(toBytes == page.toBytes, "%u: UTF-16 to bytes hash %08X, Windows' tables %08X", page.codePage, toBytes,
       page.toBytes);
    ok(toUnicode == page.toUnicode, "%u: bytes to UTF-16 hash %08X, Windows' tables %08X", page.codePage, toUnicode,
       page.toUnicode);
  }
}
