// The checker's findings by kind: a stable code each ("PDI04"), shown at the
// end of the finding's line and in --json, and a longer explanation that
// `setup-plan --explain CODE` prints, as a compiler explains its
// diagnostics. Codes are never reused for another kind.
#pragma once

#include <string>

namespace plan {

struct FindingCode {
  const char* code;
  bool error;             // the kind's severity
  const char* title;      // a line, for the list
  const char* explanation;
};

// The kind with `code` (letter case ignored), or nullptr.
const FindingCode* FindCode(const std::string& code);

// Prints the explanation of `code` ("all": every kind in order); false when
// no kind has that code.
bool ExplainCode(const std::string& code, std::string* text);

}  // namespace plan
