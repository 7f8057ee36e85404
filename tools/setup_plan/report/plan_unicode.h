// Text of the posed machine (bytes of its ANSI code page) for people and
// tools on the host: UTF-8 for the terminal, real Unicode in JSON. A byte
// that is no character in the code page is shown as \xNN.
#pragma once

#include <string>
#include <string_view>

namespace plan {

// `bytes` of a posed code page as UTF-8, read as Windows reads them.
std::string AnsiToUtf8(const std::string& bytes, int codePage);

// UTF-16 as UTF-8, a lone surrogate as U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// UTF-8 as UTF-16; false, with the byte offset of the first sequence that
// is no UTF-8, when the text is not UTF-8.
bool Utf8ToUtf16(std::string_view text, std::u16string* out, size_t* badAt);

// A JSON string literal of `bytes` read in `codePage`: UTF-8, with the
// control characters, the quotation mark and the backslash escaped.
std::string JsonText(const std::string& bytes, int codePage);

// The bytes a literal of JsonString (report.h) holds.
std::string JsonStringBytes(const std::string& literal);

}  // namespace plan
