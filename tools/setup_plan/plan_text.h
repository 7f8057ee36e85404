// Small text helpers of setup-plan (ASCII letter case, splitting).
#pragma once

#include <string>
#include <vector>

namespace plan {

inline std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

inline std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

inline bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && Upper(s.substr(s.size() - tail.size())) == Upper(tail);
}

// `s` cut at every `by`; always at least one part.
inline std::vector<std::string> Split(const std::string& s, const std::string& by) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (size_t next; (next = s.find(by, at)) != std::string::npos; at = next + by.size())
    parts.push_back(s.substr(at, next - at));
  parts.push_back(s.substr(at));
  return parts;
}

}  // namespace plan
