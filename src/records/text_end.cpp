#include "records/text_end.h"

#include <string.h>

bool EndsInLoneLeadByte(const char* text, size_t length) {
  size_t i = 0;
  while (i < length) {
    const bool lead = _ismbblead(static_cast<unsigned char>(text[i])) != 0;
    if (i == length - 1) return lead;
    i += lead ? 2 : 1;
  }
  return false;
}

void EndTextSafely(char* text, DWORD size) {
  size_t length = 0;
  while (length < size && text[length]) ++length;
  if (length >= size) return;
  memset(text + length, 0, size - length);
  if (length + 1 == size && EndsInLoneLeadByte(text, length)) text[length - 1] = 0;
}
