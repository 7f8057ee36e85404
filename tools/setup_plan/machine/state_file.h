// The state one plan leaves for the next: the whole simulated registry,
// written as a REGEDIT4 file that the .reg reader reads back unchanged
// (texts, dwords, and every other type as hex(N)). Files are not kept: what
// the launcher decides on a later run depends on the registry only.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace plan {

// Value data as REGEDIT4 writes what is no plain text: dword:XXXXXXXX for a
// four-byte REG_DWORD, hex:aa,bb for REG_BINARY, hex(N):aa,bb otherwise, N
// the type in hex. Handed to `put` in pieces (std::string_view): a value may
// be megabytes long, and its text three times that.
template <class Put>
void PutRegDataText(DWORD type, std::string_view data, Put put) {
  char buffer[24];
  if (type == REG_DWORD && data.size() == 4) {
    unsigned long v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[i]);
    return put(std::string_view(buffer, snprintf(buffer, sizeof buffer, "dword:%08lx", v)));
  }
  put(type == REG_BINARY ? std::string_view("hex:")
                         : std::string_view(buffer, snprintf(buffer, sizeof buffer, "hex(%lx):",
                                                             static_cast<unsigned long>(type))));
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < data.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(data[i]);
    const char text[3] = {',', kDigits[b >> 4], kDigits[b & 15]};
    put(i ? std::string_view(text, 3) : std::string_view(text + 1, 2));
  }
}

std::string RegDataText(DWORD type, std::string_view data);

// The registry as REGEDIT4 text with CRLF line ends.
std::string RegistryAsRegedit4();

// Writes RegistryAsRegedit4() to `path`, a key at a time; false with `error`
// when it cannot.
bool SaveState(const std::string& path, std::string* error);

}  // namespace plan
