#include "state_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "options.h"

#include "sim.h"

namespace plan {
namespace {

// Whether the byte at `i` leads a double-byte character of the posed code
// page that the reader takes whole (its second byte is never an escape).
bool LeadsPair(const std::string& text, size_t i) {
  return _ismbblead(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    if (LeadsPair(text, i)) {
      out += text.substr(i++, 2);
      continue;
    }
    if (text[i] == '"' || text[i] == '\\') out += '\\';
    out += text[i];
  }
  return out + "\"";
}

// A text value written as "..." must read back as the same bytes: one
// terminating zero and none before it, no line break, and no lead byte at
// its end (the reader would take the closing quote as its second byte).
bool IsPlainText(DWORD type, const std::string& data) {
  if (type != REG_SZ || data.empty() || data.find('\0') != data.size() - 1) return false;
  const std::string text = data.substr(0, data.size() - 1);
  if (text.find_first_of("\r\n") != std::string::npos) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!_ismbblead(static_cast<unsigned char>(text[i]))) continue;
    if (i + 1 == text.size()) return false;
    ++i;  // its second byte
  }
  return true;
}

std::string Data(DWORD type, const std::string& data) {
  return IsPlainText(type, data) ? Quote(data.substr(0, data.size() - 1)) : RegDataText(type, data);
}

}  // namespace

std::string RegDataText(DWORD type, const std::string& data) {
  char buffer[24];
  if (type == REG_DWORD && data.size() == 4) {
    unsigned long v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[i]);
    snprintf(buffer, sizeof buffer, "dword:%08lx", v);
    return buffer;
  }
  snprintf(buffer, sizeof buffer, "hex(%lx):", static_cast<unsigned long>(type));
  std::string out = type == REG_BINARY ? "hex:" : buffer;
  for (size_t i = 0; i < data.size(); ++i) {
    snprintf(buffer, sizeof buffer, "%s%02x", i ? "," : "", static_cast<unsigned char>(data[i]));
    out += buffer;
  }
  return out;
}

void WriteRegistryAsRegedit4(std::ostream& out) {
  out << "REGEDIT4\r\n";
  sim::VisitRegistry([&out](const std::string& path, const sim::RegValueView* values, size_t count) {
    const bool user = path.compare(0, 5, "HKCU\\") == 0;
    out << "\r\n[" << (user ? "HKEY_CURRENT_USER\\" + path.substr(5) : "HKEY_LOCAL_MACHINE\\" + path) << "]\r\n";
    for (size_t i = 0; i < count; ++i)
      out << (values[i].name->empty() ? "@" : Quote(*values[i].name)) << "=" << Data(values[i].type, *values[i].data)
          << "\r\n";
  });
}

std::string RegistryAsRegedit4() {
  std::ostringstream out;
  WriteRegistryAsRegedit4(out);
  return out.str();
}

bool SaveState(const std::string& path, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) WriteRegistryAsRegedit4(out);
  if (!out.flush())
    return *error = Printable(path) + ":0: error: cannot be written: check that its folder exists and may be written", false;
  return true;
}

}  // namespace plan
