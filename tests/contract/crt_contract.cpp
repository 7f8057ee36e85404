// The C library routines the launcher calls for bounded text, as the C
// standard defines them: on the host (glibc), under Wine with mingw-w64's
// runtime, and against the launcher's own routines (contract_runtime_win32,
// the ones Setup.exe links).
#include <climits>
#include <cstdio>
#include <cstring>

#include "contract.h"

// Cutting text is what these tests are about.
#pragma GCC diagnostic ignored "-Wstringop-truncation"
#pragma GCC diagnostic ignored "-Wformat-truncation"

static const char kUntouched = '#';

// C99: snprintf writes at most size - 1 characters and a zero, and returns
// the length the whole text has, so that result >= size means cut.
CONTRACT_TEST(Crt_SnprintfCutsAndReportsTheWholeLength) {
  char buffer[8];
  std::memset(buffer, kUntouched, sizeof buffer);
  int n = std::snprintf(buffer, sizeof buffer, "%s%s", "C:\\Pkg", "\\InstallInfo.ini");
  ok(n == 22, "result %d", n);
  ok(std::strcmp(buffer, "C:\\Pkg\\") == 0, "got '%s'", buffer);
  n = std::snprintf(buffer, sizeof buffer, "%s", "1234567");
  ok(n == 7 && std::strcmp(buffer, "1234567") == 0, "exact fit: %d '%s'", n, buffer);
  std::memset(buffer, kUntouched, sizeof buffer);
  n = std::snprintf(buffer, 0, "%s", "abc");
  ok(n == 3, "size 0: result %d", n);
  ok(buffer[0] == kUntouched, "size 0 wrote into the buffer");
}

// The conversions the launcher's texts use.
CONTRACT_TEST(Crt_SnprintfConversions) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d|%i|%u|%lu", -42, 7, 4000000000u, 123456789ul);
  ok(std::strcmp(buffer, "-42|7|4000000000|123456789") == 0, "integers: '%s'", buffer);
  std::snprintf(buffer, sizeof buffer, "%x|%X|%04X|%08lx", 0xbeefu, 0x4b8u, 0x4b8u, 0x1fUL);
  ok(std::strcmp(buffer, "beef|4B8|04B8|0000001f") == 0, "hexadecimal: '%s'", buffer);
  std::snprintf(buffer, sizeof buffer, "[%5s|%-5s|%.2s|%c|%%|%3d|%-3d|%03d]", "ab", "ab", "xyz", 'Q', 5, 5, -5);
  ok(std::strcmp(buffer, "[   ab|ab   |xy|Q|%|  5|5  |-05]") == 0, "widths: '%s'", buffer);
  std::snprintf(buffer, sizeof buffer, "%*s|%.*s|%*d", 4, "a", 1, "bc", -3, 7);
  ok(std::strcmp(buffer, "   a|b|7  ") == 0, "star width: '%s'", buffer);
  // '0' with '-' or with a precision is valid C, and ignored: as the compiler warns.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
  std::snprintf(buffer, sizeof buffer, "%.3d|%05.3d|%-05d|%d|%hd|%hhu|%zu|%lX", 5, -5, 5, INT_MIN, -3, 200,
                static_cast<size_t>(12), 0xABCDEFUL);
#pragma GCC diagnostic pop
  ok(std::strcmp(buffer, "005| -005|5    |-2147483648|-3|200|12|ABCDEF") == 0, "precisions and lengths: '%s'",
     buffer);
  // A conversion the launcher does not use still takes its argument: the
  // ones after it get their own.
  std::snprintf(buffer, sizeof buffer, "%f|%s|%lld|%d|%Lg|%s", 1.5, "x", 1LL << 40, 7, 2.0L, "y");
  const char* rest = std::strchr(buffer, '|');
  ok(rest && std::strncmp(rest, "|x|", 3) == 0 && std::strstr(buffer, "|7|") && std::strstr(buffer, "|y"),
     "arguments after unformatted conversions: '%s'", buffer);
}

// strncpy pads with zeros and leaves a source of size or more unterminated;
// comparisons order by unsigned byte; memmove copies overlapping ranges.
CONTRACT_TEST(Crt_StringRoutines) {
  char buffer[6];
  std::memset(buffer, kUntouched, sizeof buffer);
  std::strncpy(buffer, "ab", 5);
  ok(std::memcmp(buffer, "ab\0\0\0#", 6) == 0, "strncpy padding");
  std::strncpy(buffer, "abcdefg", 5);
  ok(std::memcmp(buffer, "abcde#", 6) == 0, "strncpy of a long source");
  ok(std::strcmp("a\xE9", "a\x65") > 0, "strcmp compares unsigned bytes");
  ok(std::strcmp("abc", "abd") < 0 && std::strcmp("abc", "abc") == 0, "strcmp order");
  ok(std::strncmp("abcX", "abcY", 3) == 0 && std::strncmp("ab", "abc", 5) < 0, "strncmp");
  char text[] = "123456";
  std::memmove(text + 1, text, 4);
  ok(std::strcmp(text, "112346") == 0, "memmove forward overlap: '%s'", text);
  std::memmove(text, text + 2, 4);
  ok(std::strcmp(text, "234646") == 0, "memmove backward overlap: '%s'", text);
  const char path[] = "C:\\a\\b.exe";
  ok(std::strrchr(path, '\\') == path + 4 && std::strchr(path, '\\') == path + 2, "strchr/strrchr");
  ok(std::strchr(path, 0) == path + std::strlen(path), "strchr finds the terminating zero");
  ok(std::strstr(path, "b.e") == path + 5 && std::strstr(path, "z") == nullptr, "strstr");
  char joined[16] = "ab";
  ok(std::strcmp(std::strcat(joined, "cd"), "abcd") == 0, "strcat");
}

// strtok splits at any run of separators and skips empty fields; strpbrk,
// strspn and strcspn look for the first byte in or out of a set.
CONTRACT_TEST(Crt_Tokens) {
  char list[] = ",VID_04B8&PID_0001,,VID_04B8&PID_0002 ,";
  char* first = std::strtok(list, ", ");
  char* second = std::strtok(nullptr, ", ");
  char* third = std::strtok(nullptr, ", ");
  ok(first && std::strcmp(first, "VID_04B8&PID_0001") == 0, "first '%s'", first ? first : "(null)");
  ok(second && std::strcmp(second, "VID_04B8&PID_0002") == 0, "second '%s'", second ? second : "(null)");
  ok(third == nullptr, "a third token '%s'", third ? third : "");
  ok(std::strtok(nullptr, ",") == nullptr, "after the end");
  const char path[] = "inf\\oem12.inf";
  ok(std::strpbrk(path, "\\/") == path + 3 && std::strpbrk(path, "?*") == nullptr, "strpbrk");
  ok(std::strspn(path, "fin") == 3 && std::strcspn(path, ".") == 9, "strspn/strcspn");
}
