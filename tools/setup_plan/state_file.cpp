#include "state_file.h"

#include <cstdio>
#include <fstream>

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

std::string RegistryAsRegedit4() {
  std::string out = "REGEDIT4\r\n";
  for (const sim::KeyContents& key : sim::RegistryContents()) {
    const bool user = key.path.compare(0, 5, "HKCU\\") == 0;
    out += "\r\n[" + (user ? "HKEY_CURRENT_USER\\" + key.path.substr(5) : "HKEY_LOCAL_MACHINE\\" + key.path) + "]\r\n";
    for (size_t i = 0; i < key.valueNames.size(); ++i)
      out += (key.valueNames[i].empty() ? "@" : Quote(key.valueNames[i])) + "=" +
             Data(key.valueTypes[i], key.valueData[i]) + "\r\n";
  }
  return out;
}

bool SaveState(const std::string& path, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << RegistryAsRegedit4();
  if (!out) return *error = path + ":0: error: cannot be written", false;
  return true;
}

}  // namespace plan
