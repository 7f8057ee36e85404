// Text of the posed machine (bytes of its ANSI code page) for people and
// tools on the host: UTF-8 for the terminal, real Unicode in JSON. A byte
// that is no character in the code page is shown as \xNN.
#pragma once

#include <string>

namespace plan {

// `bytes` of code page 1252, 932, 936 or 949 as UTF-8.
std::string AnsiToUtf8(const std::string& bytes, int codePage);

// A JSON string literal of `bytes` read in `codePage`: UTF-8, with the
// control characters, the quotation mark and the backslash escaped.
std::string JsonText(const std::string& bytes, int codePage);

// The bytes a literal of JsonString (report.h) holds.
std::string JsonStringBytes(const std::string& literal);

}  // namespace plan
