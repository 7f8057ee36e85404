// Rebuilds each code page's two tables from the generated data once, on first
// use: bytes to UTF-16 from the segments, UTF-16 to bytes as the first code
// reading as each unit, then the generated exceptions over it.
#include "code_pages.h"

#include <memory>

namespace sim {

extern const CodePageData kCodePageData[];
extern const int kCodePageDataCount;
extern const uint16_t kUnicodeLower[];
extern const int kUnicodeLowerSize;

CodePage::CodePage(const CodePageData& data)
    : data_(data), single_(256, data.uniDefaultChar), reverse_(65536, data.defaultChar) {
  for (int i = 0; i + 1 < 12 && data.leadRanges[i]; i += 2)
    for (int c = data.leadRanges[i]; c <= data.leadRanges[i + 1]; ++c) lead_[c] = true;
  for (int c = 0; c < 256; ++c) upper_[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
  for (int i = 0; i + 1 < data.upperSize; i += 2) upper_[data.upper[i]] = data.upper[i + 1];
  for (int c = 0; c < 256; ++c) lower_[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
  for (int i = 0; i + 1 < data.upperSize; i += 2) lower_[data.upper[i + 1]] = data.upper[i];
  if (data.maxCharSize > 1) pairs_.assign(65536, data.uniDefaultChar);
  std::vector<bool> reached(65536, false);
  for (int i = 0; i < data.toUnicodeSize;) {
    const unsigned int start = data.toUnicode[i], count = data.toUnicode[i + 1];
    for (unsigned int k = 0; k < count; ++k) {
      const unsigned int code = start + k;
      const uint16_t unit = data.toUnicode[i + 2 + k];
      (code < 0x100 ? single_[code] : pairs_[code]) = unit;
      if (!reached[unit]) reverse_[unit] = static_cast<uint16_t>(code);
      reached[unit] = true;
    }
    i += 2 + static_cast<int>(count);
  }
  for (int i = 0; i + 1 < data.fromUnicodeSize; i += 2) reverse_[data.fromUnicode[i]] = data.fromUnicode[i + 1];
}

const CodePage* CodePage::Find(int codePage) {
  static std::unique_ptr<CodePage> pages[16];
  for (int i = 0; i < kCodePageDataCount; ++i) {
    if (kCodePageData[i].codePage != codePage) continue;
    if (!pages[i]) pages[i] = std::make_unique<CodePage>(kCodePageData[i]);
    return pages[i].get();
  }
  return nullptr;
}

// As Windows without WC_NO_BEST_FIT_CHARS: every unit takes the code its
// table gives, best fit too; only a unit whose code is the default character
// without reading back as the unit counts as missing.
uint16_t CodePage::FromUnicode(uint16_t unit, bool* exact) const {
  const uint16_t code = reverse_[unit];
  *exact = code != data_.defaultChar || ToUnicode(code) == unit;
  return code;
}

char16_t UnicodeLower(char16_t unit) {
  static const std::vector<char16_t> table = [] {
    std::vector<char16_t> t(65536);
    for (size_t u = 0; u < t.size(); ++u) t[u] = static_cast<char16_t>(u);
    for (int i = 0; i + 1 < kUnicodeLowerSize; i += 2) t[kUnicodeLower[i]] = kUnicodeLower[i + 1];
    return t;
  }();
  return table[unit];
}

std::u16string ToUtf16(const CodePage& page, std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned int code = static_cast<unsigned char>(bytes[i]);
    if (page.IsLead(static_cast<unsigned char>(code))) {
      if (i + 1 == bytes.size() || bytes[i + 1] == 0) {
        out.push_back(static_cast<char16_t>(page.uniDefaultChar()));
        continue;
      }
      code = code << 8 | static_cast<unsigned char>(bytes[++i]);
    }
    out.push_back(static_cast<char16_t>(page.ToUnicode(code)));
  }
  return out;
}

std::string FromUtf16(const CodePage& page, std::u16string_view text, std::string_view defaultChar,
                      bool* usedDefault) {
  std::string out;
  out.reserve(text.size());
  bool used = false;
  for (char16_t unit : text) {
    bool exact = true;
    const uint16_t code = page.FromUnicode(unit, &exact);
    if (!exact && !defaultChar.empty()) {
      out += defaultChar;
    } else {
      if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    }
    used = used || !exact;
  }
  if (usedDefault) *usedDefault = used;
  return out;
}

}  // namespace sim
