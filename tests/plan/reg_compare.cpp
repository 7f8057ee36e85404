// plan_reg_compare: holds the .reg reader against a real regedit.
//
//   plan_reg_compare --keys FILE...          the keys the files name, one a line,
//                                            as reg.exe names them
//   plan_reg_compare --query FILE...         every value the files name, as
//                                            "reg query KEY" lists it after they
//                                            are imported: "KEY<tab>    NAME    TYPE    DATA",
//                                            or "KEY<tab>-NAME" when absent
//                                            (names and data that are not ASCII
//                                            are left out: reg prints them in
//                                            the OEM code page)
//   plan_reg_compare FILES -- EXPORTS...     applies FILES in order, then (on a
//                                            fresh registry) the EXPORTS regedit
//                                            wrote after importing the same FILES;
//                                            prints every key or value the files
//                                            name whose state differs; exit 1 then
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/framework.h"
#include "reg_file.h"
#include "sim.h"

namespace {

plan::RegFile Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  plan::RegFile file = plan::ParseRegFile(text.str(), path);
  for (const std::string& e : file.errors) fprintf(stderr, "%s\n", e.c_str());
  return file;
}

void Fresh() {
  sim::Reset();
  AfxInitApplicationContext();
}

// Every key and every (key, value) the files name.
void Names(const std::vector<plan::RegFile>& files, std::set<std::string>* keys,
           std::set<std::pair<std::string, std::string>>* values) {
  for (const plan::RegFile& f : files)
    for (const plan::RegOperation& op : f.operations) {
      keys->insert(op.key);
      if (op.kind == plan::RegOperation::kSetValue || op.kind == plan::RegOperation::kDeleteValue)
        values->insert({op.key, op.name});
    }
}

std::map<std::string, std::string> State(const std::set<std::string>& keys,
                                         const std::set<std::pair<std::string, std::string>>& values) {
  std::map<std::string, std::string> state;
  for (const std::string& k : keys) state["[" + k + "]"] = sim::KeyExists(k) ? "present" : "absent";
  for (const auto& v : values) {
    std::string shown = "absent";
    if (sim::ValueExists(v.first, v.second)) {
      shown = "type " + std::to_string(sim::GetValueType(v.first, v.second)) + ":";
      for (unsigned char c : sim::GetValue(v.first, v.second)) {
        char hex[4];
        snprintf(hex, sizeof hex, " %02x", c);
        shown += hex;
      }
    }
    state["[" + v.first + "] \"" + v.second + "\""] = shown;
  }
  return state;
}

std::string FullKey(const std::string& k) {
  return k.compare(0, 5, "HKCU\\") == 0 ? "HKEY_CURRENT_USER\\" + k.substr(5) : "HKEY_LOCAL_MACHINE\\" + k;
}

bool Ascii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// How reg.exe shows one value's type and data; "" when it is not compared.
std::string AsReg(DWORD type, const std::string& data) {
  char buffer[16];
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return std::string(type == REG_SZ ? "REG_SZ    " : "REG_EXPAND_SZ    ") + data.substr(0, data.find('\0'));
    case REG_DWORD: {
      unsigned long v = 0;
      for (size_t i = data.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(data[i]);
      snprintf(buffer, sizeof buffer, "0x%lx", v);
      return std::string("REG_DWORD    ") + buffer;
    }
    case REG_BINARY: {
      std::string hex;
      for (unsigned char c : data) {
        snprintf(buffer, sizeof buffer, "%02X", c);
        hex += buffer;
      }
      return "REG_BINARY    " + hex;
    }
    case REG_MULTI_SZ: {
      std::string joined;
      for (size_t at = 0; at < data.size() && data[at];) {
        const size_t end = data.find('\0', at);
        joined += (joined.empty() ? "" : "\\0") + data.substr(at, end - at);
        at = end == std::string::npos ? data.size() : end + 1;
      }
      return "REG_MULTI_SZ    " + joined;
    }
    default:
      return "";
  }
}

void PrintQuery(const std::set<std::pair<std::string, std::string>>& values) {
  for (const auto& v : values) {
    const std::string name = v.second.empty() ? "(Default)" : v.second;
    if (!Ascii(v.first) || !Ascii(name)) continue;
    if (!sim::ValueExists(v.first, v.second)) {
      printf("%s\t-%s\n", FullKey(v.first).c_str(), name.c_str());
      continue;
    }
    const std::string data = sim::GetValue(v.first, v.second);
    const std::string shown = AsReg(sim::GetValueType(v.first, v.second), data);
    if (shown.empty() || !Ascii(shown)) continue;
    printf("%s\t    %s    %s\n", FullKey(v.first).c_str(), name.c_str(), shown.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  Fresh();
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool listKeys = !args.empty() && args[0] == "--keys";
  const bool query = !args.empty() && args[0] == "--query";
  std::vector<plan::RegFile> files, exports;
  bool afterSeparator = false;
  for (size_t i = listKeys || query ? 1 : 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      afterSeparator = true;
      continue;
    }
    (afterSeparator ? exports : files).push_back(Read(args[i]));
  }
  std::set<std::string> keys;
  std::set<std::pair<std::string, std::string>> values;
  Names(files, &keys, &values);
  if (listKeys) {
    for (const std::string& k : keys) printf("%s\n", FullKey(k).c_str());
    return 0;
  }
  for (const plan::RegFile& f : files) plan::ApplyRegFile(f);
  if (query) {
    PrintQuery(values);
    return 0;
  }
  const std::map<std::string, std::string> ours = State(keys, values);
  Fresh();
  for (const plan::RegFile& f : exports) plan::ApplyRegFile(f);
  const std::map<std::string, std::string> theirs = State(keys, values);
  int differences = 0;
  for (const auto& entry : ours) {
    const std::string& other = theirs.at(entry.first);
    if (other == entry.second) continue;
    printf("%s: ours %s, regedit's %s\n", entry.first.c_str(), entry.second.c_str(), other.c_str());
    ++differences;
  }
  printf("%zu names, %d different\n", ours.size(), differences);
  return differences ? 1 : 0;
}
