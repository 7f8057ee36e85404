#include "state_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "options.h"

#include "sim.h"

namespace plan {
namespace {

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A text value written as "..." must read back as the same bytes: one
// terminating zero and none before it.
bool IsPlainText(DWORD type, const std::string& data) {
  return type == REG_SZ && !data.empty() && data.find('\0') == data.size() - 1;
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
