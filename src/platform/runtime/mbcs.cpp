/* The multibyte string routines of the C runtime that the launcher uses, for
 * the Win32 build of Setup.exe, under their msvcrt names and contracts.
 *
 * _setmbcp chooses the code page they follow (_MB_CP_ANSI: the system's
 * ANSI code page, as the launcher selects at start-up); until then every
 * byte is a character of its own. Lead bytes come from the code page's own
 * table (GetCPInfo): 932 0x81-0x9F and 0xE0-0xFC, 936 and 949 0x81-0xFE,
 * 1252 none. A lead byte just before the terminating zero counts as a
 * character of its own. Searches and comparisons go character by character,
 * so the second byte of a double-byte character is never taken for a
 * backslash, a comma or a letter. Case: ASCII letters always; for the ANSI
 * code page also the other single-byte letters the system upper-cases
 * (1252: 0xE0 -> 0xC0, 0x9A -> 0x8A, 0xFF -> 0x9F ...), as msvcrt builds its
 * case table from the code page. Double-byte characters keep their case. */
#include <windows.h>

#include <mbctype.h>

extern "C" {

static int g_codePage;                 /* 0: single-byte, no lead bytes */
static unsigned char g_lead[256];      /* non-zero for a lead byte */
static unsigned char g_upper[256];     /* upper case of a single-byte character */
static int g_upperReady;
/* The system's case of the ANSI code page is still to be added to g_upper.
 * It is asked of user32 on the first case-blind use, not by _setmbcp: a
 * road that neither shows a window nor compares text case-blind then never
 * loads the window system. */
static int g_systemCasePending;

static void ResetTables(void) {
  int c;
  for (c = 0; c < 256; ++c) {
    g_lead[c] = 0;
    g_upper[c] = (unsigned char)(c >= 'a' && c <= 'z' ? c - 0x20 : c);
  }
  g_upperReady = 1;
}

/* The system's upper case of each non-ASCII single-byte character, kept only
 * when it lower-cases back to the same byte (a letter whose capital the code
 * page lacks, such as 0xB5 in 1252, would otherwise become '?'). */
static void AddSystemCase(void) {
  int c;
  for (c = 0x80; c < 256; ++c) {
    char upper[2] = {(char)c, 0}, lower[2];
    if (g_lead[c]) continue;
    CharUpperBuffA(upper, 1);
    lower[0] = upper[0];
    lower[1] = 0;
    CharLowerBuffA(lower, 1);
    if ((unsigned char)lower[0] == c) g_upper[c] = (unsigned char)upper[0];
  }
}

static void EnsureCaseTable(void) {
  if (!g_upperReady) ResetTables();
  if (g_systemCasePending) {
    g_systemCasePending = 0;
    AddSystemCase();
  }
}

int _setmbcp(int codePage) {
  CPINFO info;
  int chosen = codePage;
  const BYTE* range;
  if (codePage == _MB_CP_ANSI || codePage == _MB_CP_LOCALE) chosen = (int)GetACP();
  else if (codePage == _MB_CP_OEM) chosen = (int)GetOEMCP();
  if (chosen == _MB_CP_SBCS) {
    ResetTables();
    g_systemCasePending = 0;
    g_codePage = 0;
    return 0;
  }
  if (chosen <= 0 || !GetCPInfo((UINT)chosen, &info)) return -1;
  ResetTables();
  for (range = info.LeadByte; range < info.LeadByte + MAX_LEADBYTES - 1 && range[0]; range += 2) {
    int c;
    for (c = range[0]; c <= range[1]; ++c) g_lead[c] = 1;
  }
  g_systemCasePending = (UINT)chosen == GetACP();
  g_codePage = chosen;
  return 0;
}

int _getmbcp(void) { return g_codePage; }

int _ismbblead(unsigned int c) { return c < 256 && g_lead[c]; }

/* Bytes in the character at p: 2 for a lead byte with a second byte. */
static int CharLength(const unsigned char* p) { return g_lead[p[0]] && p[1] ? 2 : 1; }

static unsigned int CharValue(const unsigned char* p) {
  return CharLength(p) == 2 ? ((unsigned int)p[0] << 8) | p[1] : p[0];
}

static unsigned int FoldedValue(const unsigned char* p) {
  unsigned int value = CharValue(p);
  EnsureCaseTable();
  return value < 256 ? g_upper[value] : value;
}

unsigned char* _mbsstr(const unsigned char* text, const unsigned char* needle) {
  const unsigned char* p;
  for (p = text;; p += CharLength(p)) {
    const unsigned char *a = p, *b = needle;
    while (*b && *a == *b) ++a, ++b;
    if (!*b) return (unsigned char*)p;
    if (!*p) return NULL;
  }
}

/* c is a single-byte character or a double-byte one as lead * 256 + trail;
 * 0 finds the terminating zero. */
unsigned char* _mbschr(const unsigned char* text, unsigned int c) {
  const unsigned char* p;
  for (p = text;; p += CharLength(p)) {
    if (CharValue(p) == c) return (unsigned char*)p;
    if (!*p) return NULL;
  }
}

unsigned char* _mbsrchr(const unsigned char* text, unsigned int c) {
  const unsigned char *p, *found = NULL;
  for (p = text;; p += CharLength(p)) {
    if (CharValue(p) == c) found = p;
    if (!*p) return (unsigned char*)found;
  }
}

unsigned char* _mbsupr(unsigned char* text) {
  unsigned char* p;
  EnsureCaseTable();
  for (p = text; *p; p += CharLength(p))
    if (CharLength(p) == 1) *p = g_upper[*p];
  return text;
}

int _mbsicmp(const unsigned char* a, const unsigned char* b) {
  for (;;) {
    unsigned int x = FoldedValue(a), y = FoldedValue(b);
    if (x != y) return x < y ? -1 : 1;
    if (!x) return 0;
    a += CharLength(a);
    b += CharLength(b);
  }
}

}  // extern "C"
