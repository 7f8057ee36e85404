// Registry behaviour the launcher relies on. Every test works below its own
// key HKLM\Software\ContractTests\<test>, removed first.
#include <cstring>
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

static const std::string kBase = "Software\\ContractTests\\";

// A fresh, empty key for the test; nullptr (and a failed check) if it cannot be made.
static HKEY FreshKey(const std::string& name) {
  fixture::ForgetKey(kBase + name);
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kBase + name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition);
  ok(rc == ERROR_SUCCESS, "creating the test key: %ld", static_cast<long>(rc));
  return rc == ERROR_SUCCESS ? key : nullptr;
}

static void AddSubkey(HKEY parent, const char* name) {
  HKEY sub = nullptr;
  LONG rc = RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
  ok(rc == ERROR_SUCCESS, "creating subkey %s: %ld", name, static_cast<long>(rc));
  if (rc == ERROR_SUCCESS) RegCloseKey(sub);
}

// "Registry Element Size Limits": a key name holds at most 255 characters.
// Wine takes 255 and refuses 257 with ERROR_INVALID_PARAMETER, to create
// and to open (it takes 256, which the documentation does not allow).
CONTRACT_TEST(Registry_KeyNameOver256CharactersIsRefused) {
  HKEY parent = FreshKey("LongName");
  if (!parent) return;
  const std::string fits(255, 'K'), over(257, 'K');
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(parent, fits.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  ok(rc == ERROR_SUCCESS, "255 characters: %ld", static_cast<long>(rc));
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  rc = RegCreateKeyExA(parent, over.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  ok(rc == ERROR_INVALID_PARAMETER, "257 characters, created: %ld", static_cast<long>(rc));
  rc = RegOpenKeyExA(parent, over.c_str(), 0, KEY_READ, &key);
  ok(rc == ERROR_INVALID_PARAMETER, "257 characters, opened: %ld", static_cast<long>(rc));
  RegCloseKey(parent);
}

// All Windows versions: a key that is not there is ERROR_FILE_NOT_FOUND,
// also when a folder on its path is missing, and the handle is not set.
CONTRACT_TEST(Registry_OpenMissingKeyIsFileNotFound) {
  HKEY base = FreshKey("OpenMissing");
  if (!base) return;
  RegCloseKey(base);
  HKEY key = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0xdeadbeef));
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kBase + "OpenMissing\\Absent").c_str(), 0, KEY_READ, &key);
  ok(rc == ERROR_FILE_NOT_FOUND, "missing key: got %ld", static_cast<long>(rc));
  rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kBase + "OpenMissing\\Absent\\Deeper").c_str(), 0, KEY_READ, &key);
  ok(rc == ERROR_FILE_NOT_FOUND, "missing parent: got %ld", static_cast<long>(rc));
}

// All Windows versions: key names compare without regard to letter case;
// enumeration gives the name with the case it was created with.
CONTRACT_TEST(Registry_KeyNamesIgnoreCase) {
  HKEY base = FreshKey("KeyCase");
  if (!base) return;
  AddSubkey(base, "MixedName");
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\contracttests\\KEYCASE\\mixedNAME", 0, KEY_READ, &key);
  ok(rc == ERROR_SUCCESS, "open in other case: %ld", static_cast<long>(rc));
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  char name[64];
  DWORD size = sizeof name;
  rc = RegEnumKeyExA(base, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
  ok(rc == ERROR_SUCCESS && std::strcmp(name, "MixedName") == 0, "enumerated %ld '%s'", static_cast<long>(rc),
     rc == ERROR_SUCCESS ? name : "");
  DWORD disposition = 0;
  rc = RegCreateKeyExA(base, "MIXEDNAME", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                       &disposition);
  ok(rc == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY, "create in other case: %ld, disposition %lu",
     static_cast<long>(rc), static_cast<unsigned long>(disposition));
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  RegCloseKey(base);
}

// All Windows versions: value names compare without regard to case; setting
// a name in another case replaces the value.
CONTRACT_TEST(Registry_ValueNamesIgnoreCase) {
  HKEY key = FreshKey("ValueCase");
  if (!key) return;
  RegSetValueExA(key, "InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>("first"), 6);
  char data[32] = {0};
  DWORD size = sizeof data, type = 0;
  LONG rc = RegQueryValueExA(key, "INSTALLPATH", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  ok(rc == ERROR_SUCCESS && type == REG_SZ && std::strcmp(data, "first") == 0, "query in other case: %ld '%s'",
     static_cast<long>(rc), data);
  RegSetValueExA(key, "installpath", 0, REG_SZ, reinterpret_cast<const BYTE*>("second"), 7);
  size = sizeof data;
  rc = RegQueryValueExA(key, "InstallPath", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  ok(rc == ERROR_SUCCESS && std::strcmp(data, "second") == 0, "set in other case replaced: %ld '%s'",
     static_cast<long>(rc), data);
  RegCloseKey(key);
}

// All Windows versions: a value that is not there is ERROR_FILE_NOT_FOUND,
// and the size given is left alone.
CONTRACT_TEST(Registry_QueryMissingValueIsFileNotFound) {
  HKEY key = FreshKey("MissingValue");
  if (!key) return;
  char data[16];
  DWORD size = sizeof data;
  LONG rc = RegQueryValueExA(key, "Absent", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  ok(rc == ERROR_FILE_NOT_FOUND, "got %ld", static_cast<long>(rc));
  ok(size == sizeof data, "size became %lu", static_cast<unsigned long>(size));
  RegCloseKey(key);
}

// All Windows versions: a buffer too small for the data gives ERROR_MORE_DATA
// and the size needed, with the type; the buffer is left as it was.
CONTRACT_TEST(Registry_QuerySmallBufferIsMoreDataAndUntouched) {
  HKEY key = FreshKey("MoreData");
  if (!key) return;
  RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcdefgh"), 9);
  BYTE data[8];
  std::memset(data, 'x', sizeof data);
  DWORD size = 4, type = 0;
  LONG rc = RegQueryValueExA(key, "Text", nullptr, &type, data, &size);
  ok(rc == ERROR_MORE_DATA, "got %ld", static_cast<long>(rc));
  ok(size == 9, "needed size %lu", static_cast<unsigned long>(size));
  ok(type == REG_SZ, "type %lu", static_cast<unsigned long>(type));
  bool untouched = true;
  for (BYTE b : data) untouched = untouched && b == 'x';
  ok(untouched, "buffer changed: %.8s", reinterpret_cast<const char*>(data));
  // The size alone, without a buffer, is the same figure.
  size = 0;
  rc = RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, &size);
  ok(rc == ERROR_SUCCESS && size == 9, "size query: %ld, %lu", static_cast<long>(rc), static_cast<unsigned long>(size));
  RegCloseKey(key);
}

// NT family (and Wine): RegSetValueExA of a REG_SZ whose count leaves out the
// terminating zero stores the zero as well when the byte after the count is
// one; with any other byte there the string is stored unterminated.
CONTRACT_TEST(Registry_SetStringCountWithoutZeroTakesFollowingZero) {
  HKEY key = FreshKey("SetNoZero");
  if (!key) return;
  RegSetValueExA(key, "Followed", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
  RegSetValueExA(key, "Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcX"), 3);
  DWORD size = 0;
  LONG rc = RegQueryValueExA(key, "Followed", nullptr, nullptr, nullptr, &size);
  ok(rc == ERROR_SUCCESS && size == 4, "zero after the count: %ld, size %lu", static_cast<long>(rc),
     static_cast<unsigned long>(size));
  size = 0;
  rc = RegQueryValueExA(key, "Unterminated", nullptr, nullptr, nullptr, &size);
  ok(rc == ERROR_SUCCESS && size == 3, "other byte after the count: %ld, size %lu", static_cast<long>(rc),
     static_cast<unsigned long>(size));
  RegCloseKey(key);
}

// All Windows versions: a REG_SZ stored without its zero comes back without
// one when the buffer is exactly its size; the byte after it is not written.
CONTRACT_TEST(Registry_UnterminatedStringInExactBufferStaysUnterminated) {
  HKEY key = FreshKey("ExactBuffer");
  if (!key) return;
  RegSetValueExA(key, "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcX"), 3);
  BYTE data[8];
  std::memset(data, 'x', sizeof data);
  DWORD size = 3, type = 0;
  LONG rc = RegQueryValueExA(key, "Raw", nullptr, &type, data, &size);
  ok(rc == ERROR_SUCCESS, "got %ld", static_cast<long>(rc));
  ok(size == 3, "size %lu", static_cast<unsigned long>(size));
  ok(std::memcmp(data, "abcx", 4) == 0, "buffer %.4s", reinterpret_cast<const char*>(data));
  RegCloseKey(key);
}

// NT family (and Wine): with room to spare, a REG_SZ stored without its zero
// is given one in the buffer, while the size reported stays the stored size.
CONTRACT_TEST(Registry_UnterminatedStringInLargerBufferGetsZero) {
  HKEY key = FreshKey("LargerBuffer");
  if (!key) return;
  RegSetValueExA(key, "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcX"), 3);
  BYTE data[8];
  std::memset(data, 'x', sizeof data);
  DWORD size = sizeof data, type = 0;
  LONG rc = RegQueryValueExA(key, "Raw", nullptr, &type, data, &size);
  ok(rc == ERROR_SUCCESS, "got %ld", static_cast<long>(rc));
  ok(size == 3, "size %lu", static_cast<unsigned long>(size));
  ok(std::memcmp(data, "abc\0x", 5) == 0, "buffer %02x %02x %02x %02x %02x", data[0], data[1], data[2], data[3],
     data[4]);
  RegCloseKey(key);
}

// All Windows versions: enumerating past the last subkey gives
// ERROR_NO_MORE_ITEMS, also for a key with no subkeys at all.
CONTRACT_TEST(Registry_EnumPastEndIsNoMoreItems) {
  HKEY key = FreshKey("EnumEnd");
  if (!key) return;
  char name[64];
  DWORD size = sizeof name;
  LONG rc = RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
  ok(rc == ERROR_NO_MORE_ITEMS, "empty key: %ld", static_cast<long>(rc));
  AddSubkey(key, "One");
  AddSubkey(key, "Two");
  size = sizeof name;
  rc = RegEnumKeyExA(key, 1, name, &size, nullptr, nullptr, nullptr, nullptr);
  ok(rc == ERROR_SUCCESS, "index 1: %ld", static_cast<long>(rc));
  size = sizeof name;
  rc = RegEnumKeyExA(key, 2, name, &size, nullptr, nullptr, nullptr, nullptr);
  ok(rc == ERROR_NO_MORE_ITEMS, "index 2: %ld", static_cast<long>(rc));
  RegCloseKey(key);
}

// All Windows versions: the name buffer must hold the name and its zero;
// one character short is ERROR_MORE_DATA. On success the count excludes the zero.
CONTRACT_TEST(Registry_EnumSmallNameBufferIsMoreData) {
  HKEY key = FreshKey("EnumSmall");
  if (!key) return;
  AddSubkey(key, "Eleven");
  char name[64];
  DWORD size = 6;
  LONG rc = RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
  ok(rc == ERROR_MORE_DATA, "room for the name without its zero: %ld", static_cast<long>(rc));
  size = 7;
  rc = RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
  ok(rc == ERROR_SUCCESS && size == 6 && std::strcmp(name, "Eleven") == 0, "exact room: %ld, %lu '%s'",
     static_cast<long>(rc), static_cast<unsigned long>(size), rc == ERROR_SUCCESS ? name : "");
  RegCloseKey(key);
}

// All Windows versions: RegCreateKeyExA reports whether it made the key
// (missing parents are made too) or opened one that was there.
CONTRACT_TEST(Registry_CreateKeyReportsDisposition) {
  HKEY base = FreshKey("Disposition");
  if (!base) return;
  HKEY key = nullptr;
  DWORD disposition = 0xdeadbeef;
  LONG rc = RegCreateKeyExA(base, "New\\Nested", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition);
  ok(rc == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY, "new key: %ld, %lu", static_cast<long>(rc),
     static_cast<unsigned long>(disposition));
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  disposition = 0xdeadbeef;
  rc = RegCreateKeyExA(base, "New\\Nested", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                       &disposition);
  ok(rc == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY, "existing key: %ld, %lu", static_cast<long>(rc),
     static_cast<unsigned long>(disposition));
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  disposition = 0xdeadbeef;
  rc = RegCreateKeyExA(base, "New", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition);
  ok(rc == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY, "parent made on the way: %ld, %lu",
     static_cast<long>(rc), static_cast<unsigned long>(disposition));
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  RegCloseKey(base);
}

// NT family and Wine keep subkeys sorted by name without regard to case and
// enumerate them in that order, whatever order they were made in (Windows 9x
// enumerates in creation order: the launcher must not depend on the order).
CONTRACT_TEST(Registry_SubkeysEnumerateSortedIgnoringCase) {
  HKEY key = FreshKey("EnumOrder");
  if (!key) return;
  const char* created[] = {"delta", "Bravo", "alpha", "Charlie", "x1", "X0", "9lives", "USB", "usa"};
  for (const char* name : created) AddSubkey(key, name);
  const char* expected[] = {"9lives", "alpha", "Bravo", "Charlie", "delta", "usa", "USB", "X0", "x1"};
  std::string got, want;
  for (DWORD i = 0;; ++i) {
    char name[64];
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    got += std::string(name) + " ";
  }
  for (const char* name : expected) want += std::string(name) + " ";
  ok(got == want, "order '%s', expected '%s'", got.c_str(), want.c_str());
  RegCloseKey(key);
}

// Where an underscore sorts among letters: NT keeps a key's subkeys ordered
// by their upper-case names, so '_' (0x5F) comes after 'Z' (0x5A). Wine 8's
// server folds names to lower case instead and puts '_' before 'a'; names
// holding one of [ \ ] ^ _ ` are the only ones the two orders disagree on.
CONTRACT_TEST(Registry_UnderscoreSortsAfterLetters) {
  HKEY key = FreshKey("EnumUnderscore");
  if (!key) return;
  AddSubkey(key, "_under");
  AddSubkey(key, "zulu");
  AddSubkey(key, "Alpha");
  std::string got;
  for (DWORD i = 0;; ++i) {
    char name[64];
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    got += std::string(name) + " ";
  }
  todo_wine_ok(got == "Alpha zulu _under ", "order '%s'", got.c_str());
  RegCloseKey(key);
}

// All Windows versions: the ANSI calls read names as characters of the code
// page and compare them as Unicode text without regard to case. In 932 the
// trail byte 0x5C of 0x83 0x5C is no separator, a trail byte that looks like
// a letter is none (0x83 0x61 and 0x83 0x41: two keys, two values), and a
// full-width letter is one (0x82 0x81 and 0x82 0x60); in 1252 so is an
// accented letter (0xE9 and 0xC9).
static bool Opens(HKEY base, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(base, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

CONTRACT_TEST(Registry_NamesAreReadAsCharacters_932) {
  bool ran = false;
  HKEY base = nullptr;
  if (fixture::UseAnsiCodePage(1252) && (base = FreshKey("Characters1252"))) {
    ran = true;
    AddSubkey(base, "Caf\xe9");
    ok(Opens(base, "CAF\xc9"), "accented letter in the other case");
    RegCloseKey(base);
  }
  if (!fixture::UseAnsiCodePage(932) || !(base = FreshKey("Characters932"))) {
    if (!ran) skip_test("needs ANSI code page 932 or 1252");
    return;
  }
  for (const char* name : {"\x83\x5c\x83t\\Sub", "\x83\x61", "\x83\x41", "\x82\x81"}) AddSubkey(base, name);
  DWORD subkeys = 0;
  char name[64];
  for (DWORD size = sizeof name; RegEnumKeyExA(base, subkeys, name, &size, nullptr, nullptr, nullptr, nullptr) ==
                                 ERROR_SUCCESS;
       size = sizeof name)
    ++subkeys;
  ok(subkeys == 4, "subkeys: %lu", static_cast<unsigned long>(subkeys));
  ok(Opens(base, "\x83\x5c\x83t") && !Opens(base, "\x83"), "0x5C taken for a separator");
  ok(Opens(base, "\x82\x60"), "full-width letter in the other case");
  RegSetValueExA(base, "\x83\x61", 0, REG_SZ, reinterpret_cast<const BYTE*>("a"), 2);
  RegSetValueExA(base, "\x83\x41", 0, REG_SZ, reinterpret_cast<const BYTE*>("b"), 2);
  char data[8] = "";
  DWORD size = sizeof data;
  LONG rc = RegQueryValueExA(base, "\x83\x61", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  ok(rc == ERROR_SUCCESS && std::strcmp(data, "a") == 0, "value 0x83 0x61: %ld '%s'", static_cast<long>(rc), data);
  RegCloseKey(base);
}

// NT compares key names in Unicode, by Windows' case table: under each
// single-byte code page a key made with one byte past ASCII is found again
// by the byte of its other case and by no other. Each byte's key is made in
// turn; one that opens an earlier key names it. The map of each code page is
// held to its hash as Wine gives it.
CONTRACT_TEST(Registry_LettersIgnoreCase_1250_1251_1252) {
  const struct {
    int codePage;
    uint32_t expected;
  } pages[] = {{1250, 0x01413F3F}, {1251, 0x76FF555A}, {1252, 0x53682615}};
  int ran = 0;
  for (const auto& page : pages) {
    if (!fixture::UseAnsiCodePage(page.codePage)) continue;
    ++ran;
    HKEY base = FreshKey("LetterCase" + std::to_string(page.codePage));
    if (!base) return;
    uint32_t hash = 2166136261u;
    for (int c = 0x80; c <= 0xFF; ++c) {
      const char name[2] = {static_cast<char>(c), 0};
      HKEY key = nullptr;
      DWORD disposition = 0;
      BYTE first = static_cast<BYTE>(c);
      if (RegCreateKeyExA(base, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                          &disposition) != ERROR_SUCCESS)
        continue;
      DWORD size = 1;
      if (disposition == REG_CREATED_NEW_KEY) RegSetValueExA(key, "b", 0, REG_BINARY, &first, 1);
      else RegQueryValueExA(key, "b", nullptr, nullptr, &first, &size);
      RegCloseKey(key);
      hash = (hash ^ first) * 16777619u;
    }
    RegCloseKey(base);
    ok(hash == page.expected, "%d: case map hash %08X, Windows' %08X", page.codePage, hash, page.expected);
  }
  if (!ran) skip_test("needs ANSI code page 1250, 1251 or 1252");
}
