/* Formatted output into a bounded buffer for the Win32 build of Setup.exe,
 * with the C99 contract of vsnprintf: at most size - 1 characters and a
 * terminating zero are written (nothing when size is 0), and the result is
 * the length the whole text would have, so that result >= size means cut.
 * A negative result is never returned.
 *
 * Conversions: %s %c %d %i %u %x %X %p %%, flags '-' and '0', a width and a
 * precision (numbers or '*'), length modifiers h, hh, l and z (all 32 bits
 * here). A conversion outside these, or with a flag '+', ' ' or '#', is
 * copied as it stands, so a mistake shows in the text, and its argument is
 * still taken by its C type (a double for %f %e %g %a, 64 bits with ll, j
 * or L, a pointer for %n, never written through), so that every later
 * conversion still gets its own. */
#include <stdarg.h>
#include <stddef.h>

extern "C" {

typedef struct {
  char* buffer;
  size_t size;
  size_t length; /* characters produced so far, written or not */
} Output;

static void Put(Output* out, char c) {
  if (out->length + 1 < out->size) out->buffer[out->length] = c;
  ++out->length;
}

static void PutRepeated(Output* out, char c, int count) {
  while (count-- > 0) Put(out, c);
}

/* One field: prefix (sign or "0x"), zero padding, then the digits or text,
 * padded to the width on the left or (flag '-') on the right. */
static void PutField(Output* out, const char* prefix, const char* text, int length, int zeros, int width,
                     int leftAlign) {
  int prefixLength = 0;
  while (prefix[prefixLength]) ++prefixLength;
  int padding = width - prefixLength - zeros - length;
  if (!leftAlign) PutRepeated(out, ' ', padding);
  while (*prefix) Put(out, *prefix++);
  PutRepeated(out, '0', zeros);
  while (length-- > 0) Put(out, *text++);
  if (leftAlign) PutRepeated(out, ' ', padding);
}

static int ReadNumber(const char** format, va_list* args) {
  int value = 0;
  if (**format == '*') {
    ++*format;
    return va_arg(*args, int);
  }
  while (**format >= '0' && **format <= '9') value = value * 10 + (*(*format)++ - '0');
  return value;
}

/* Takes the argument of a conversion this routine does not format, by the
 * type C passes for it; a letter that is no conversion takes nothing. */
static void SkipArgument(char conversion, int wide, va_list* args) {
  switch (conversion) {
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
      if (wide) (void)va_arg(*args, long double);
      else (void)va_arg(*args, double);
      return;
    case 'd': case 'i': case 'u': case 'x': case 'X': case 'o': case 'c': case 'C':
      if (wide) (void)va_arg(*args, long long);
      else (void)va_arg(*args, int);
      return;
    case 's': case 'p': case 'n': case 'S':
      (void)va_arg(*args, void*);
      return;
    default:
      return;
  }
}

int vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
  Output out = {buffer, size, 0};
  va_list ap;
  va_copy(ap, args);
  while (*format) {
    if (*format != '%') {
      Put(&out, *format++);
      continue;
    }
    const char* start = format++;
    int leftAlign = 0, zeroPad = 0, width = 0, precision = -1;
    int otherFlag = 0; /* '+', ' ' or '#': not formatted here */
    for (;; ++format) {
      if (*format == '-') leftAlign = 1;
      else if (*format == '0') zeroPad = 1;
      else if (*format == '+' || *format == ' ' || *format == '#') otherFlag = 1;
      else break;
    }
    width = ReadNumber(&format, &ap);
    if (width < 0) leftAlign = 1, width = -width;
    if (*format == '.') {
      ++format;
      precision = ReadNumber(&format, &ap);
    }
    int wide = 0; /* a 64-bit integer (ll, j, q) or a long double (L) */
    for (int longs = 0; *format == 'h' || *format == 'l' || *format == 'z' || *format == 't' || *format == 'j' ||
                        *format == 'q' || *format == 'L';
         ++format) {
      if (*format == 'l' && ++longs == 2) wide = 1;
      if (*format == 'j' || *format == 'q' || *format == 'L') wide = 1;
    }

    char digits[12];
    char* end = digits + sizeof digits;
    char* p = end;
    const char* prefix = "";
    unsigned long value;
    unsigned base = 10;
    const char* letters = "0123456789abcdef";
    /* 64-bit integers, long doubles and the other flags are not formatted here. */
    switch (wide || otherFlag ? '\0' : *format) {
      case 's': {
        const char* text = va_arg(ap, const char*);
        if (!text) text = "(null)";
        int length = 0;
        while (text[length] && (precision < 0 || length < precision)) ++length;
        PutField(&out, "", text, length, 0, width, leftAlign);
        ++format;
        continue;
      }
      case 'c':
        digits[0] = (char)va_arg(ap, int);
        PutField(&out, "", digits, 1, 0, width, leftAlign);
        ++format;
        continue;
      case '%':
        Put(&out, '%');
        ++format;
        continue;
      case 'd':
      case 'i': {
        long signedValue = va_arg(ap, long);
        value = signedValue < 0 ? 0UL - (unsigned long)signedValue : (unsigned long)signedValue;
        if (signedValue < 0) prefix = "-";
        break;
      }
      case 'u': value = va_arg(ap, unsigned long); break;
      case 'X': letters = "0123456789ABCDEF"; /* fall through */
      case 'x': value = va_arg(ap, unsigned long), base = 16; break;
      case 'p':
        value = (unsigned long)(size_t)va_arg(ap, void*), base = 16, precision = 8;
        prefix = "0x";
        break;
      default: /* not one of ours: copy it as it stands, take its argument */
        SkipArgument(*format, wide, &ap);
        while (start <= format && *start) Put(&out, *start++);
        if (*format) ++format;
        continue;
    }
    ++format;
    do {
      *--p = letters[value % base];
      value /= base;
    } while (value);
    int length = (int)(end - p);
    int zeros = precision > length ? precision - length : 0;
    if (precision < 0 && zeroPad && !leftAlign) {
      int prefixLength = prefix[0] ? (prefix[1] ? 2 : 1) : 0;
      if (width > prefixLength + length) zeros = width - prefixLength - length;
    }
    PutField(&out, prefix, p, length, zeros, width, leftAlign);
  }
  va_end(ap);
  if (size) buffer[out.length < size ? out.length : size - 1] = 0;
  return (int)out.length;
}

int snprintf(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int length = vsnprintf(buffer, size, format, args);
  va_end(args);
  return length;
}

// The name mingw-w64's <stdio.h> has its inline snprintf and vsnprintf call.
int __mingw_vsnprintf(char* buffer, size_t size, const char* format, va_list args)
    __attribute__((alias("vsnprintf")));

}  // extern "C"
