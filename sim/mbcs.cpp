// Simulated msvcrt multibyte routines. The code page they follow is the one
// chosen with _setmbcp; until then they treat every byte as one character.
// Lead bytes: 932 (Shift JIS) 0x81-0x9F and 0xE0-0xFC; 936 (GBK) and 949
// (Unified Hangul) 0x81-0xFE; 1250, 1251 and 1252 have none.
#include <cstdio>
#include <cstdlib>

#include "code_pages.h"
#include "machine.h"

using namespace sim;

static bool IsLead(int codePage, unsigned char c) {
  switch (codePage) {
    case 932: return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949: return c >= 0x81 && c <= 0xFE;
    default: return false;
  }
}

bool sim::IsAnsiLeadByte(unsigned char c) { return IsLead(M().ansiCodePage, c); }

bool sim::IsLeadByteIn(int codePage, unsigned char c) { return IsLead(codePage, c); }

// A single-byte character with its letter case folded: ASCII letters, and
// the code page's own letters (accented, Cyrillic) by Windows' case table.
static unsigned int FoldByte(int codePage, unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 0x20u;
  const CodePage* page = c >= 0x80 ? CodePage::Find(codePage) : nullptr;
  return page ? page->Upper(c) : c;
}

// A double-byte character as one value, full-width Latin small letters
// folded to capitals (the only double-byte letters with case modelled).
static unsigned int FoldDouble(int codePage, unsigned char lead, unsigned char trail) {
  if (codePage == 932 && lead == 0x82 && trail >= 0x81 && trail <= 0x9A) trail = static_cast<unsigned char>(trail - 0x21);
  if ((codePage == 936 || codePage == 949) && lead == 0xA3 && trail >= 0xE1 && trail <= 0xFA)
    trail = static_cast<unsigned char>(trail - 0x20);
  return (static_cast<unsigned int>(lead) << 8) | trail;
}

unsigned int sim::NextFoldedChar(int codePage, std::string_view text, size_t* i) {
  const unsigned char c = static_cast<unsigned char>(text[(*i)++]);
  if (!IsLead(codePage, c) || *i >= text.size()) return FoldByte(codePage, c);
  return FoldDouble(codePage, c, static_cast<unsigned char>(text[(*i)++]));
}

bool sim::KeyNameLess::operator()(std::string_view a, std::string_view b) const {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned int x = NextFoldedChar(codePage, a, &i), y = NextFoldedChar(codePage, b, &j);
    if (x != y) return x < y;
  }
  return i >= a.size() && j < b.size();
}

// Length in bytes of the character at p (1 or 2); a lead byte before the
// terminating zero counts as a character of its own.
static int CharLength(const unsigned char* p) { return IsLead(M().mbCodePage, p[0]) && p[1] ? 2 : 1; }

static unsigned int CharValue(const unsigned char* p) {
  return CharLength(p) == 2 ? (static_cast<unsigned int>(p[0]) << 8) | p[1] : p[0];
}

// As Wine's msvcrt reads a character for _mbschr, _mbsupr and _mbsicmp: a
// lead byte always takes the next byte, even the terminating zero, and the
// walk goes on after it. A text ending in a lone lead byte is therefore read
// (and by _mbsupr written) past its terminator, as under Wine; under ASan
// that shows every buffer not terminated twice.
static bool g_stopAtWalkPastText = false;

static unsigned int NextCharReadingOn(const unsigned char* p) {
  if (!IsLead(M().mbCodePage, p[0])) return p[0];
  // The walk goes on after the zero: into a second zero (safe), or into
  // bytes that are no part of the text.
  if (p[1] == 0 && p[2] != 0) {
    M().multibyteWalksPastText += 1;
    if (g_stopAtWalkPastText) {
      std::fprintf(stderr, "sim: multibyte walk past a lone lead byte's terminator into other bytes\n");
      std::abort();
    }
  }
  return (static_cast<unsigned int>(p[0]) << 8) | p[1];
}

void sim::StopAtMultibyteWalkPastText(bool enable) { g_stopAtWalkPastText = enable; }

int sim::MultibyteWalksPastText() { return M().multibyteWalksPastText; }

// Single-byte case follows the multibyte code page only where it has no
// lead bytes (msvcrt's table for a double-byte code page folds ASCII alone).
static unsigned char UpperByte(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  const CodePage* page = c >= 0x80 && M().mbCodePage ? CodePage::Find(M().mbCodePage) : nullptr;
  return page && !page->doubleByte() ? page->Upper(c) : c;
}

bool sim::TooLongForObjectName(const std::string& name) {
  size_t units = 1;  // the terminating zero
  for (size_t i = 0; i < name.size(); ++i, ++units)
    if (IsLead(M().ansiCodePage, static_cast<unsigned char>(name[i])) && i + 1 < name.size()) ++i;
  return units > MAX_PATH;
}

size_t sim::AnsiPathCharacters(const std::string& path) {
  size_t characters = 0;
  for (size_t i = 0; i < path.size(); ++i, ++characters)
    if (IsLead(M().ansiCodePage, static_cast<unsigned char>(path[i])) && i + 1 < path.size()) ++i;
  return characters;
}

bool sim::TooLongForAnsiPath(const std::string& path) { return AnsiPathCharacters(path) >= MAX_PATH; }

bool sim::HasOverlongKeyName(const std::string& subkey) {
  size_t length = 0;
  for (size_t i = 0; i < subkey.size(); ++i) {
    if (subkey[i] == '\\') {
      length = 0;
      continue;
    }
    if (IsLead(M().ansiCodePage, static_cast<unsigned char>(subkey[i])) && i + 1 < subkey.size()) ++i;
    if (++length > 255) return true;
  }
  return false;
}

int _setmbcp(int codepage) {
  Enter("_setmbcp", std::to_string(codepage));
  int chosen = codepage;
  if (codepage == _MB_CP_ANSI || codepage == _MB_CP_LOCALE) chosen = M().ansiCodePage;
  if (codepage == _MB_CP_SBCS) chosen = 0;
  if (chosen != 0 && !CodePage::Find(chosen)) return -1;
  M().mbCodePage = chosen;
  return 0;
}

int _getmbcp(void) { return M().mbCodePage; }

int _ismbblead(unsigned int c) { return c <= 0xFF && IsLead(M().mbCodePage, static_cast<unsigned char>(c)); }

unsigned char* _mbsstr(const unsigned char* str, const unsigned char* sub) {
  for (const unsigned char* p = str;; p += CharLength(p)) {
    const unsigned char *a = p, *b = sub;
    while (*b && *a == *b) ++a, ++b;
    if (!*b) return const_cast<unsigned char*>(p);
    if (!*p) return nullptr;
  }
}

unsigned char* _mbschr(const unsigned char* str, unsigned int c) {
  for (const unsigned char* p = str;;) {
    const unsigned int here = NextCharReadingOn(p);
    if (here == c) return const_cast<unsigned char*>(p);
    if (!here) return nullptr;
    p += here > 0xFF ? 2 : 1;
  }
}

unsigned char* _mbsrchr(const unsigned char* str, unsigned int c) {
  const unsigned char* found = nullptr;
  for (const unsigned char* p = str;; p += CharLength(p)) {
    if (CharValue(p) == c) found = p;
    if (!*p) return const_cast<unsigned char*>(found);
  }
}

unsigned char* _mbsupr(unsigned char* str) {
  for (unsigned char* p = str; *p;) {
    const unsigned int c = NextCharReadingOn(p);
    if (c > 0xFF) {
      *p++ = static_cast<unsigned char>(c >> 8);
      *p++ = static_cast<unsigned char>(c);  // the zero after a lone lead byte too
    } else {
      *p = UpperByte(*p);
      ++p;
    }
  }
  return str;
}

int _mbsicmp(const unsigned char* a, const unsigned char* b) {
  for (;;) {
    if (!*a) return *b ? -1 : 0;
    if (!*b) return 1;
    unsigned int ca = NextCharReadingOn(a), cb = NextCharReadingOn(b);
    if (ca <= 0xFF) ca = UpperByte(static_cast<unsigned char>(ca));
    if (cb <= 0xFF) cb = UpperByte(static_cast<unsigned char>(cb));
    if (ca != cb) return ca < cb ? -1 : 1;
    a += ca > 0xFF ? 2 : 1;
    b += ca > 0xFF ? 2 : 1;
  }
}
