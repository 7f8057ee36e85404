// The end of a text in a fixed buffer, made safe for the multibyte routines.
//
// Some implementations of _mbschr, _mbsupr and _mbsicmp (Wine's msvcrt among
// them) take the terminating zero after a lone lead byte as the second byte
// of a double-byte character and read (and _mbsupr writes) on after it. A
// text cut in the middle of a character, or one stored with bytes after an
// embedded zero, would so be read past its end. Every text these routines see
// is therefore followed by a second zero.
#pragma once

#include "platform/win32.h"

// `text` is terminated within its `size` bytes. Fills the rest of the buffer
// with zeros. When the text fills the buffer (its zero is the last byte) and
// ends in a lone lead byte of the multibyte code page, that byte is dropped:
// there is no room for a second zero, and half a character names nothing.
// Does nothing to a text that is not terminated within `size`.
void EndTextSafely(char* text, DWORD size);

// Whether the last of the first `length` bytes of `text` is a lead byte
// that starts a character of its own (not the second byte of another).
bool EndsInLoneLeadByte(const char* text, size_t length);
