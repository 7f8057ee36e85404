// Fuzz target: the observed outcome lines --compare reads. Input: the
// planned lines (up to the first zero byte, one a line), then the observed
// text. The comparison says "as planned" exactly when the observed lines,
// CR LF or LF, blank lines left out, are the planned ones.
#include <sstream>
#include <vector>

#include "outcome.h"
#include "plan_fuzz.h"
#include "plan_text.h"

using planfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t zero = input.find('\0');
  std::vector<std::string> planned;
  if (zero != std::string::npos && zero > 0)
    for (const std::string& line : plan::Split(input.substr(0, zero), "\n"))
      if (!line.empty() && line.back() != '\r') planned.push_back(line);
  const std::string observed = zero == std::string::npos ? input : input.substr(zero + 1);
  std::vector<std::string> seen;
  for (std::string line : plan::Split(observed, "\n")) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) seen.push_back(line);
  }
  std::ostringstream out;
  const bool same = plan::CompareOutcome(out, planned, observed);
  Require(same == (seen == planned), "the comparison says " + std::string(same ? "same" : "different"));
  const std::string text = out.str();
  if (!same)
    for (const std::string& line : planned)
      Require(text.find(line) != std::string::npos, "a planned line is not shown: " + line);
  return 0;
}
