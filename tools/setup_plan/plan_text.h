// Small text helpers of setup-plan (ASCII letter case, splitting).
#pragma once

#include <algorithm>
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

// Edit distance of two texts (insertions, deletions, replacements).
inline size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

// The name of `known` closest to `name` (ASCII letter case ignored) when it
// is near enough to be a misspelling of it; "" otherwise.
inline std::string Nearest(const std::string& name, const std::vector<std::string>& known) {
  std::string best;
  size_t bestDistance = std::string::npos;
  for (const std::string& k : known) {
    const size_t d = EditDistance(Upper(name), Upper(k));
    if (d < bestDistance) best = k, bestDistance = d;
  }
  return bestDistance <= std::max<size_t>(2, best.size() / 3) ? best : std::string();
}

}  // namespace plan
