// Simulated WritePrivateProfileStringA: creates or replaces one key of one
// section of a profile file and leaves every other line as it was. A NULL
// key removes the section, a NULL value removes the key. A missing file is
// created (its folder must exist); new lines end in CR LF.
#include <vector>

#include "filesystem.h"

namespace sim {

namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// The section a header line names, or false when the line is no header.
bool HeaderName(const std::string& line, std::string* name) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] != '[') return false;
  const size_t close = t.find(']');
  if (close == std::string::npos) return false;
  *name = Trim(t.substr(1, close - 1));
  return true;
}

bool IsKeyLine(const std::string& line, const std::string& key) {
  const size_t eq = line.find('=');
  return eq != std::string::npos && SameNoCase(Trim(line.substr(0, eq)), key);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  for (std::string& line : lines)
    if (!line.empty() && line.back() == '\r') line.pop_back();
  return lines;
}

std::string Rewrite(const std::string& text, const char* section, const char* key, const char* value) {
  std::vector<std::string> lines = SplitLines(text);
  // The section's header line and the line after its last non-blank line.
  size_t header = lines.size(), end = lines.size();
  std::string name;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (HeaderName(lines[i], &name)) {
      if (header != lines.size()) break;
      if (SameNoCase(name, section)) {
        header = i;
        end = i + 1;
      }
    } else if (header != lines.size() && !Trim(lines[i]).empty()) {
      end = i + 1;
    }
  }
  if (header == lines.size()) {
    if (key && value) {
      lines.push_back(std::string("[") + section + "]");
      lines.push_back(std::string(key) + "=" + value);
    }
  } else if (!key) {
    lines.erase(lines.begin() + static_cast<long>(header), lines.begin() + static_cast<long>(end));
  } else {
    size_t at = header + 1;
    while (at < end && !IsKeyLine(lines[at], key)) ++at;
    if (at < end && value) {
      lines[at] = std::string(key) + "=" + value;
    } else if (at < end) {
      lines.erase(lines.begin() + static_cast<long>(at));
    } else if (value) {
      lines.insert(lines.begin() + static_cast<long>(end), std::string(key) + "=" + value);
    }
  }
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace
}  // namespace sim

using namespace sim;

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
  const std::string path = NormalPath(lpFileName ? lpFileName : "");
  const std::string detail = path + " [" + (lpAppName ? lpAppName : "") + "] " + (lpKeyName ? lpKeyName : "") +
                             "=" + (lpString ? lpString : "");
  if (Enter("WritePrivateProfileStringA", detail)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!lpAppName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (const DWORD error = WriteRefusal(path, 0)) {
    SetLastError(error);
    return FALSE;
  }
  const bool exists = IsFile(path);
  const std::string text = exists ? M().files[path] : std::string();
  const std::string updated = Rewrite(text, lpAppName, lpKeyName, lpString);
  if (exists || !updated.empty()) WriteFile(path, updated);
  return TRUE;
}
