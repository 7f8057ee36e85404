// Pieces of the .reg reader shared by its two files: the text as characters
// of its own encoding, the findings, and turning value data into bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reg_file.h"

namespace plan {
namespace regtext {

// One character per element: a UTF-16 code unit, or an ANSI byte; a
// double-byte ANSI character is one element too, its lead byte high (so
// above 0xFF, where no single byte is).
typedef std::u16string Units;
typedef std::u16string_view View;  // a part of a line, not copied

// Limits of Windows' registry ("Registry Element Size Limits"), in characters.
const size_t kMaxKeyDepth = 512;
const size_t kMaxKeyName = 255;
const size_t kMaxValueName = 16383;
// Errors kept per file; the rest are only counted (a broken export of a
// whole machine would otherwise give a line for each of its lines).
const size_t kErrorsShown = 20;

bool IsBlank(char16_t c);
View Trim(View s);
// Only ASCII is kept; any other character becomes 0x01 (it matches nothing).
std::string Ascii(View s);
// Text of the file for a finding: ASCII, at most 40 characters, "..." after.
std::string Shown(View s);
bool StartsWithNoCase(const std::string& s, const char* prefix);

// The bytes of a hex list "aa,bb,..." (ASCII text), given in pieces: a value
// continued over many lines is read a line at a time, never held as text
// whole. The pieces read as their concatenation would.
class HexList {
 public:
  void Feed(std::string_view text);
  // Drops the blanks at the end of the text so far.
  void TrimEnd();
  // The last character of the text so far, 0 when there is none.
  char Last() const { return carry_.empty() ? lastTaken_ : carry_.back(); }
  void DropLast() { carry_.pop_back(); }
  // The bytes, or false with the first item that is no byte.
  bool Finish(std::string* bytes, std::string* bad);

 private:
  // An item between commas (blanks around it dropped); false when it is no byte.
  bool Take(std::string_view item);
  std::string carry_;  // the text after the last comma
  std::string bytes_;
  std::string bad_;
  bool failed_ = false;
  char lastTaken_ = 0;
};

// Where a hex value's list begins in `s`, the ASCII text of its data
// ("hex:..." or "hex(N):..."), and its type; false when the head is not one.
bool HexHead(const std::string& s, size_t* listAt, DWORD* type);

// Findings of one file, and its encoding: `wide` for UTF-16.
class Reader {
 public:
  Reader(const std::string& fileName, RegFile* out, bool wide) : name_(fileName), out_(out), wide_(wide) {}

  void Error(int line, const std::string& what);
  void Warning(int line, const std::string& what);
  // Adds the count of errors not kept, if any.
  void Finish();

  // ANSI bytes of text in the file's own encoding.
  std::string Narrow(View s, int line);
  std::string FromUtf16(const std::vector<WCHAR>& wide, int line);

  // The data of a value ("text", dword:, hex:, hex(N):) into `op`'s type and
  // bytes; false, with a finding, when it is malformed.
  bool Data(View data, int line, RegOperation* op);
  // The data of a hex value of `type` whose list was given to `list`.
  bool HexData(DWORD type, HexList* list, int line, RegOperation* op);

 protected:
  RegFile* out() { return out_; }

 private:
  bool Dword(const std::string& digits, int line, RegOperation* op);
  bool Hex(const std::string& s, int line, RegOperation* op);

  std::string name_;
  RegFile* out_;
  bool wide_;
  size_t hidden_ = 0;
};

// A quoted text starting at `*at`: its characters with \\ and \" undone;
// `*at` ends just after the closing quote. False when it does not close.
bool Quoted(View s, size_t* at, Units* text);

}  // namespace regtext
}  // namespace plan
