// Windows' conversion between the ANSI code pages the launcher meets (1250,
// 1251, 1252, 932, 936, 949) and UTF-16, from the code pages' own tables
// (code_page_tables.cpp, generated from the NLS files), best fit included.
#ifndef SIM_CODE_PAGES_H
#define SIM_CODE_PAGES_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// One code page as generated: bytes to UTF-16 as segments (first code,
// count, then one unit per code; a double-byte code is lead << 8 | trail),
// and the pairs (unit, code) where UTF-16 to bytes is not the first code
// that reads as the unit.
struct CodePageData {
  int codePage;
  int maxCharSize;
  uint16_t defaultChar;     // what a unit the code page lacks becomes
  uint16_t uniDefaultChar;  // what a pair the code page lacks reads as
  uint8_t leadRanges[12];   // lo, hi pairs, ended by 0
  const uint16_t* toUnicode;
  int toUnicodeSize;
  const uint16_t* fromUnicode;
  int fromUnicodeSize;
  const uint8_t* upper;  // (byte, capital) pairs of the single-byte letters past ASCII
  int upperSize;
};

class CodePage {
 public:
  // The code page, or nullptr when the simulator has no table for it.
  static const CodePage* Find(int codePage);

  int id() const { return data_.codePage; }
  bool IsLead(unsigned char c) const { return lead_[c]; }
  uint16_t defaultChar() const { return data_.defaultChar; }
  bool doubleByte() const { return data_.maxCharSize > 1; }
  uint16_t uniDefaultChar() const { return data_.uniDefaultChar; }
  // The capital of a single-byte character (ASCII letters and the code
  // page's own letters), as Windows' case table has it; others unchanged.
  unsigned char Upper(unsigned char c) const { return upper_[c]; }
  // The small letter of a single-byte capital, the reverse of Upper.
  unsigned char Lower(unsigned char c) const { return lower_[c]; }
  // The unit a single byte, or a lead and trail byte, reads as.
  uint16_t ToUnicode(unsigned int code) const { return code < 0x100 ? single_[code] : pairs_[code]; }
  // The byte or lead << 8 | trail code for a unit, best fit included;
  // *exact is false when it is the default character standing for a unit
  // the code page lacks.
  uint16_t FromUnicode(uint16_t unit, bool* exact) const;

  explicit CodePage(const CodePageData& data);

 private:
  const CodePageData& data_;
  bool lead_[256] = {};
  unsigned char upper_[256], lower_[256];
  std::vector<uint16_t> single_, pairs_, reverse_;
};

// A UTF-16 unit in lower case, as Windows' case table has it.
char16_t UnicodeLower(char16_t unit);

// Bytes of a code page as UTF-16; a lead byte that ends the text or stands
// before a zero byte reads as the Unicode default character on its own.
std::u16string ToUtf16(const CodePage& page, std::string_view bytes);
// UTF-16 as bytes of a code page; a unit it lacks becomes `defaultChar`
// (one or two bytes; the code page's own when empty) and sets *usedDefault.
std::string FromUtf16(const CodePage& page, std::u16string_view text, std::string_view defaultChar,
                      bool* usedDefault);

}  // namespace sim

#endif
