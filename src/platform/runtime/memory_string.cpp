/* Memory and byte-string routines of the C library for the Win32 build of
 * Setup.exe, under their standard names and with their standard contracts,
 * so that the launcher's code calls them as usual while the program imports
 * no C runtime DLL. The compiler also calls memset and memcpy on its own (to
 * clear or copy a structure). Built with -ffreestanding so that these loops
 * are not turned back into calls to themselves. */
#include <stddef.h>

extern "C" {

void* memset(void* destination, int value, size_t count) {
  unsigned char* d = (unsigned char*)destination;
  while (count--) *d++ = (unsigned char)value;
  return destination;
}

void* memcpy(void* destination, const void* source, size_t count) {
  unsigned char* d = (unsigned char*)destination;
  const unsigned char* s = (const unsigned char*)source;
  while (count--) *d++ = *s++;
  return destination;
}

void* memmove(void* destination, const void* source, size_t count) {
  unsigned char* d = (unsigned char*)destination;
  const unsigned char* s = (const unsigned char*)source;
  if (d <= s || d >= s + count) return memcpy(destination, source, count);
  while (count--) d[count] = s[count];
  return destination;
}

int memcmp(const void* a, const void* b, size_t count) {
  const unsigned char* x = (const unsigned char*)a;
  const unsigned char* y = (const unsigned char*)b;
  for (; count; --count, ++x, ++y)
    if (*x != *y) return *x < *y ? -1 : 1;
  return 0;
}

size_t strlen(const char* text) {
  const char* p = text;
  while (*p) ++p;
  return (size_t)(p - text);
}

char* strcpy(char* destination, const char* source) {
  char* d = destination;
  while ((*d++ = *source++) != 0) {
  }
  return destination;
}

/* As the standard says: pads with zeros, and leaves the result unterminated
 * when source has count or more characters. */
char* strncpy(char* destination, const char* source, size_t count) {
  size_t i = 0;
  for (; i < count && source[i]; ++i) destination[i] = source[i];
  for (; i < count; ++i) destination[i] = 0;
  return destination;
}

char* strcat(char* destination, const char* source) {
  strcpy(destination + strlen(destination), source);
  return destination;
}

int strcmp(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return (unsigned char)*a < (unsigned char)*b ? -1 : (unsigned char)*a > (unsigned char)*b;
}

int strncmp(const char* a, const char* b, size_t count) {
  for (; count; --count, ++a, ++b) {
    if (*a != *b) return (unsigned char)*a < (unsigned char)*b ? -1 : 1;
    if (!*a) break;
  }
  return 0;
}

/* Byte searches: for paths and names in a multibyte code page the launcher
 * uses the _mbs* routines (mbcs.c) instead. */
char* strchr(const char* text, int c) {
  for (;; ++text) {
    if (*text == (char)c) return (char*)text;
    if (!*text) return NULL;
  }
}

char* strrchr(const char* text, int c) {
  const char* found = NULL;
  for (;; ++text) {
    if (*text == (char)c) found = text;
    if (!*text) return (char*)found;
  }
}

/* The first character of text that is in set, or NULL. */
char* strpbrk(const char* text, const char* set) {
  for (; *text; ++text)
    if (strchr(set, *text)) return (char*)text;
  return NULL;
}

size_t strspn(const char* text, const char* set) {
  size_t n = 0;
  while (text[n] && strchr(set, text[n])) ++n;
  return n;
}

size_t strcspn(const char* text, const char* set) {
  size_t n = 0;
  while (text[n] && !strchr(set, text[n])) ++n;
  return n;
}

/* As the standard says: one tokenizer state for the process (the launcher
 * has one thread); a NULL text goes on where the last call stopped. */
char* strtok(char* text, const char* separators) {
  static char* s_next;
  if (!text) text = s_next;
  if (!text) return NULL;
  text += strspn(text, separators);
  if (!*text) {
    s_next = NULL;
    return NULL;
  }
  char* end = text + strcspn(text, separators);
  if (*end) {
    *end = 0;
    s_next = end + 1;
  } else {
    s_next = NULL;
  }
  return text;
}

char* strstr(const char* text, const char* needle) {
  size_t length = strlen(needle);
  for (; *text; ++text)
    if (strncmp(text, needle, length) == 0) return (char*)text;
  return *needle ? NULL : (char*)text;
}

}  // extern "C"
