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
bool LeadsPair(std::string_view text, size_t i) {
  return _ismbblead(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
}

void PutQuoted(std::ostream& out, std::string_view text) {
  out << '"';
  size_t from = 0;  // written up to here
  for (size_t i = 0; i < text.size(); ++i) {
    if (LeadsPair(text, i)) {
      ++i;
      continue;
    }
    if (text[i] != '"' && text[i] != '\\') continue;
    out << text.substr(from, i - from) << '\\';
    from = i;
  }
  out << text.substr(from) << '"';
}

// A text value written as "..." must read back as the same bytes: one
// terminating zero and none before it, no line break, and no lead byte at
// its end (the reader would take the closing quote as its second byte).
bool IsPlainText(DWORD type, std::string_view data) {
  if (type != REG_SZ || data.empty() || data.find('\0') != data.size() - 1) return false;
  const std::string_view text = data.substr(0, data.size() - 1);
  if (text.find_first_of("\r\n") != std::string_view::npos) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!_ismbblead(static_cast<unsigned char>(text[i]))) continue;
    if (i + 1 == text.size()) return false;
    ++i;  // its second byte
  }
  return true;
}

void PutData(std::ostream& out, DWORD type, std::string_view data) {
  if (IsPlainText(type, data)) return PutQuoted(out, data.substr(0, data.size() - 1));
  // Gathered into a few kilobytes at a time: the pieces are of three bytes.
  std::string text;
  PutRegDataText(type, data, [&out, &text](std::string_view piece) {
    text.append(piece);
    if (text.size() < 4096) return;
    out << text;
    text.clear();
  });
  out << text;
}

}  // namespace

std::string RegDataText(DWORD type, std::string_view data) {
  std::string out;
  PutRegDataText(type, data, [&out](std::string_view piece) { out.append(piece); });
  return out;
}

void WriteRegistryAsRegedit4(std::ostream& out) {
  out << "REGEDIT4\r\n";
  sim::VisitRegistry([&out](const std::string& path, const sim::RegValueList& values) {
    const bool user = path.compare(0, 5, "HKCU\\") == 0;
    const bool rooted = user || path.compare(0, 5, "HKLM\\") == 0;  // a key at HKLM's top named like a root
    out << "\r\n[" << (user ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\")
        << std::string_view(path).substr(rooted ? 5 : 0) << "]\r\n";
    for (size_t i = 0; i < values.size(); ++i) {
      const sim::RegValueView value = values[i];
      if (value.name.empty()) out << '@';
      else PutQuoted(out, value.name);
      out << '=';
      PutData(out, value.type, value.data);
      out << "\r\n";
    }
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
