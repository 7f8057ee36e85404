// msvcrt multibyte routines after _setmbcp(_MB_CP_ANSI), as the launcher
// calls them, under the ANSI code pages it meets: 1252, 932 (Shift JIS),
// 936 (GBK) and 949 (Unified Hangul). A test for one code page runs where
// that is the ANSI code page (on the host the fixture selects it; under Wine
// LANG decides) and is skipped elsewhere.
#include <cstdio>
#include <cstring>
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

typedef unsigned char uchar;

static const uchar* U(const char* s) { return reinterpret_cast<const uchar*>(s); }

// Selects `codePage` for the multibyte routines; false when this run cannot.
static bool UseCodePage(int codePage) {
  if (!fixture::UseAnsiCodePage(codePage)) return false;
  int rc = _setmbcp(_MB_CP_ANSI);
  ok(rc == 0, "_setmbcp(_MB_CP_ANSI) gave %d", rc);
  return rc == 0;
}

static std::string NeedsCodePage(int codePage) {
  return "needs ANSI code page " + std::to_string(codePage) + ", this run has " +
         std::to_string(fixture::AnsiCodePage());
}

#define REQUIRE_CODE_PAGE(cp) \
  if (!UseCodePage(cp)) skip_test(NeedsCodePage(cp))

// All Windows versions: _setmbcp(_MB_CP_ANSI) makes the ANSI code page the
// multibyte code page.
CONTRACT_TEST(Mbcs_SetmbcpAnsiTakesAnsiCodePage) {
  const int pages[] = {1252, 932, 936, 949};
  for (int page : pages) {
    if (!UseCodePage(page)) continue;
    ok(_getmbcp() == page, "_getmbcp() is %d under %d", _getmbcp(), page);
  }
  ok(_getmbcp() == fixture::AnsiCodePage(), "_getmbcp() %d, ANSI %d", _getmbcp(), fixture::AnsiCodePage());
}

// The lead bytes of a code page as _ismbblead reports them, as "lo-hi" ranges.
static std::string LeadRanges() {
  std::string out;
  int start = -1;
  for (int c = 0; c <= 0x100; ++c) {
    bool lead = c < 0x100 && _ismbblead(static_cast<unsigned>(c));
    if (lead && start < 0) start = c;
    if (!lead && start >= 0) {
      char range[16];
      std::snprintf(range, sizeof range, "%02X-%02X ", start, c - 1);
      out += range;
      start = -1;
    }
  }
  return out;
}

// Lead bytes, from the code page's own tables on every Windows version:
// 1252 none; 932 0x81-0x9F and 0xE0-0xFC; 936 and 949 0x81-0xFE.
CONTRACT_TEST(Mbcs_LeadBytes1252) {
  REQUIRE_CODE_PAGE(1252);
  ok(LeadRanges().empty(), "lead bytes %s", LeadRanges().c_str());
}

CONTRACT_TEST(Mbcs_LeadBytes932) {
  REQUIRE_CODE_PAGE(932);
  ok(LeadRanges() == "81-9F E0-FC ", "lead bytes %s", LeadRanges().c_str());
}

CONTRACT_TEST(Mbcs_LeadBytes936) {
  REQUIRE_CODE_PAGE(936);
  ok(LeadRanges() == "81-FE ", "lead bytes %s", LeadRanges().c_str());
}

CONTRACT_TEST(Mbcs_LeadBytes949) {
  REQUIRE_CODE_PAGE(949);
  ok(LeadRanges() == "81-FE ", "lead bytes %s", LeadRanges().c_str());
}

// All Windows versions, 932: the second byte of a double-byte character may
// be 0x5C ('\\'), as in 0x95 0x5C; _mbsrchr steps over it as part of the
// character, where strrchr would stop on it.
CONTRACT_TEST(Mbcs_MbsrchrSkipsTrailByte5C_932) {
  REQUIRE_CODE_PAGE(932);
  const char path[] = "C:\\Pkg\\\x95\x5C\\\x95\x5C.exe";
  const uchar* found = _mbsrchr(U(path), '\\');
  ok(found == U(path) + 9, "offset %d", found ? static_cast<int>(found - U(path)) : -1);
  const char folder[] = "C:\\Pkg\\\x95\x5C";
  found = _mbsrchr(U(folder), '\\');
  ok(found == U(folder) + 6, "ending in 0x95 0x5C: offset %d", found ? static_cast<int>(found - U(folder)) : -1);
}

// The same under 936, where 0x81 0x5C is a GBK character.
CONTRACT_TEST(Mbcs_MbsrchrSkipsTrailByte5C_936) {
  REQUIRE_CODE_PAGE(936);
  const char path[] = "C:\\Pkg\\\x81\x5C\\\xD6\x5C.exe";
  const uchar* found = _mbsrchr(U(path), '\\');
  ok(found == U(path) + 9, "offset %d", found ? static_cast<int>(found - U(path)) : -1);
}

// Under 1252 every byte is a character: 0x95 does not hide the 0x5C after it.
CONTRACT_TEST(Mbcs_MbsrchrSingleByte_1252) {
  REQUIRE_CODE_PAGE(1252);
  const char path[] = "C:\\Pkg\\\x95\x5C" "a";
  const uchar* found = _mbsrchr(U(path), '\\');
  ok(found == U(path) + 8, "offset %d", found ? static_cast<int>(found - U(path)) : -1);
}

// Windows' msvcrt, 932: _mbsstr matches only at character boundaries, so a
// needle starting with 0x5C does not match the trail byte of 0x95 0x5C.
// Wine 8's msvcrt searches bytes (as strstr) and does match there.
CONTRACT_TEST(Mbcs_MbsstrKeepsToCharacterBoundaries_932) {
  REQUIRE_CODE_PAGE(932);
  const char text[] = "\x95\x5C" "abc\x83\x41\x83\x61";
  const uchar* found = _mbsstr(U(text), U("abc"));
  ok(found == U(text) + 2, "whole characters: offset %d", found ? static_cast<int>(found - U(text)) : -1);
  found = _mbsstr(U(text), U("\x83\x61"));
  ok(found == U(text) + 7, "double-byte needle: offset %d", found ? static_cast<int>(found - U(text)) : -1);
  found = _mbsstr(U(text), U("\\abc"));
  todo_wine_ok(found == nullptr, "trail byte 0x5C matched: offset %d", found ? static_cast<int>(found - U(text)) : -1);
  found = _mbsstr(U(text), U("\x41\x83"));
  todo_wine_ok(found == nullptr, "trail and lead bytes matched: offset %d",
               found ? static_cast<int>(found - U(text)) : -1);
}

// All Windows versions, 932: _mbsupr upper-cases single-byte letters and
// leaves the trail byte of a double-byte character alone (0x83 0x61 keeps
// its 0x61, which is no 'a').
CONTRACT_TEST(Mbcs_MbsuprLeavesTrailBytes_932) {
  REQUIRE_CODE_PAGE(932);
  char text[] = "ab\x83\x61z\x95\x5C" "c";
  _mbsupr(reinterpret_cast<uchar*>(text));
  ok(std::strcmp(text, "AB\x83\x61Z\x95\x5C" "C") == 0, "got %02x %02x %02x %02x %02x", text[0] & 0xff,
     text[1] & 0xff, text[2] & 0xff, text[3] & 0xff, text[4] & 0xff);
}

// The same under 949 and 936, whose trail bytes also reach into a-z.
CONTRACT_TEST(Mbcs_MbsuprLeavesTrailBytes_949) {
  REQUIRE_CODE_PAGE(949);
  char text[] = "usb\xB0\x61x";
  _mbsupr(reinterpret_cast<uchar*>(text));
  ok(std::strcmp(text, "USB\xB0\x61X") == 0, "got %02x %02x %02x %02x %02x", text[0] & 0xff, text[1] & 0xff,
     text[3] & 0xff, text[4] & 0xff, text[5] & 0xff);
}

CONTRACT_TEST(Mbcs_MbsuprLeavesTrailBytes_936) {
  REQUIRE_CODE_PAGE(936);
  char text[] = "usb\x81\x61x";
  _mbsupr(reinterpret_cast<uchar*>(text));
  ok(std::strcmp(text, "USB\x81\x61X") == 0, "got %02x %02x %02x %02x %02x", text[0] & 0xff, text[1] & 0xff,
     text[3] & 0xff, text[4] & 0xff, text[5] & 0xff);
}

// Under 1252, _mbsupr upper-cases ASCII letters.
CONTRACT_TEST(Mbcs_MbsuprAscii_1252) {
  REQUIRE_CODE_PAGE(1252);
  char text[] = "vid_04b8&pid_0001";
  _mbsupr(reinterpret_cast<uchar*>(text));
  ok(std::strcmp(text, "VID_04B8&PID_0001") == 0, "got %s", text);
}

// Windows' msvcrt, 1252: _setmbcp builds its case table from the code page,
// so _mbsupr upper-cases the accented letters too (0xE0 -> 0xC0, 0xFF ->
// 0x9F) and _mbsicmp folds them. Wine 8's msvcrt folds ASCII letters only.
CONTRACT_TEST(Mbcs_AccentedLettersFold_1252) {
  REQUIRE_CODE_PAGE(1252);
  char text[] = "\xE0\xE9\xFF\x9A";
  _mbsupr(reinterpret_cast<uchar*>(text));
  todo_wine_ok(std::strcmp(text, "\xC0\xC9\x9F\x8A") == 0, "got %02x %02x %02x %02x", text[0] & 0xff,
               text[1] & 0xff, text[2] & 0xff, text[3] & 0xff);
  todo_wine_ok(_mbsicmp(U("\xE0t\xE9"), U("\xC0T\xC9")) == 0, "accented letters differ in _mbsicmp");
}

static int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// All Windows versions: _mbsicmp ignores the case of ASCII letters and
// orders by character otherwise.
CONTRACT_TEST(Mbcs_MbsicmpIgnoresAsciiCase_1252) {
  REQUIRE_CODE_PAGE(1252);
  ok(_mbsicmp(U("Setup.EXE"), U("sETUP.exe")) == 0, "equal names differ");
  ok(Sign(_mbsicmp(U("abc"), U("ABD"))) < 0, "abc vs ABD");
  ok(Sign(_mbsicmp(U("abcd"), U("ABC"))) > 0, "abcd vs ABC");
}

// 932: letters around double-byte characters fold; trail bytes do not, so
// 0x83 0x61 and 0x83 0x41 (two different katakana) stay different.
CONTRACT_TEST(Mbcs_MbsicmpKeepsTrailBytes_932) {
  REQUIRE_CODE_PAGE(932);
  ok(_mbsicmp(U("a\x95\x5C" "b"), U("A\x95\x5C" "B")) == 0, "letters around a double-byte character");
  ok(_mbsicmp(U("\x83\x61"), U("\x83\x41")) != 0, "trail bytes folded");
}

// ---- a lone lead byte just before the terminating zero ------------------------
// Text cut in the middle of a double-byte character ends in a lead byte. The
// two implementations the launcher meets differ there:
//  - Wine's msvcrt (measured under Wine 8, 932/936/949), and the simulator,
//    which follows it: the lead byte takes the zero after it as its second
//    byte, so _mbschr, _mbsicmp and _mbsupr go on past the terminator
//    (_mbsupr also upper-cases, i.e. writes, what lies there);
//  - the launcher's own routines (contract_runtime_win32, what Setup.exe
//    links): a lead byte followed by the zero is a character of its own and
//    the text ends there.
// Text terminated twice is read the same way by both: this is what every
// buffer the launcher hands these routines guarantees.

// A lead byte in each of 932, 936 and 949.
static const char kLead = '\x81';

static void LoneLeadDoubleTerminated() {
  const char text[] = {'a', 'b', kLead, 0, 0, ',', 'z', 0, 0};
  ok(_mbschr(U(text), ',') == nullptr, "',' found past a double terminator");
  char upper[sizeof text];
  std::memcpy(upper, text, sizeof text);
  _mbsupr(reinterpret_cast<uchar*>(upper));
  ok(upper[0] == 'A' && upper[1] == 'B' && upper[2] == kLead && upper[3] == 0, "text %02x %02x %02x %02x",
     upper[0] & 0xff, upper[1] & 0xff, upper[2] & 0xff, upper[3] & 0xff);
  ok(upper[6] == 'z', "_mbsupr wrote past a double terminator");
  const char same[] = {'A', 'B', kLead, 0, 0, ',', 'y', 0, 0};
  ok(_mbsicmp(U(text), U(same)) == 0, "equal texts ending in a lead byte differ");
  const char shorter[] = {'A', 'B', 0, 0};
  ok(_mbsicmp(U(text), U(shorter)) != 0, "a lead byte more compares equal");
}

static void LoneLeadSingleTerminated() {
  const char text[] = {'a', 'b', kLead, 0, ',', 'z', 0, 0};
  const uchar* comma = _mbschr(U(text), ',');
  char upper[sizeof text];
  std::memcpy(upper, text, sizeof text);
  _mbsupr(reinterpret_cast<uchar*>(upper));
  const char other[] = {'A', 'B', kLead, 0, ',', 'y', 0, 0};
  const int order = _mbsicmp(U(text), U(other));
#ifdef CONTRACT_OWN_RUNTIME
  ok(comma == nullptr, "own runtime: ',' found at offset %d", comma ? static_cast<int>(comma - U(text)) : -1);
  ok(upper[5] == 'z', "own runtime: _mbsupr wrote past the terminator");
  ok(order == 0, "own runtime: _mbsicmp compared past the terminator");
#else
  ok(comma == U(text) + 4, "msvcrt: ',' at offset %d", comma ? static_cast<int>(comma - U(text)) : -1);
  ok(upper[5] == 'Z', "msvcrt: byte past the terminator is %02x", upper[5] & 0xff);
  ok(order != 0, "msvcrt: _mbsicmp stopped at the terminator");
#endif
}

CONTRACT_TEST(Mbcs_LoneLeadByteDoubleTerminated_932) {
  REQUIRE_CODE_PAGE(932);
  LoneLeadDoubleTerminated();
}
CONTRACT_TEST(Mbcs_LoneLeadByteDoubleTerminated_936) {
  REQUIRE_CODE_PAGE(936);
  LoneLeadDoubleTerminated();
}
CONTRACT_TEST(Mbcs_LoneLeadByteDoubleTerminated_949) {
  REQUIRE_CODE_PAGE(949);
  LoneLeadDoubleTerminated();
}
CONTRACT_TEST(Mbcs_LoneLeadByteSingleTerminated_932) {
  REQUIRE_CODE_PAGE(932);
  LoneLeadSingleTerminated();
}
CONTRACT_TEST(Mbcs_LoneLeadByteSingleTerminated_936) {
  REQUIRE_CODE_PAGE(936);
  LoneLeadSingleTerminated();
}
CONTRACT_TEST(Mbcs_LoneLeadByteSingleTerminated_949) {
  REQUIRE_CODE_PAGE(949);
  LoneLeadSingleTerminated();
}
