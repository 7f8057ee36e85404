#include "plan_unicode.h"

#include <cstdio>
#include <cstdlib>

#include "code_pages.h"

namespace plan {
namespace {

std::string Escaped(unsigned char c) {
  char text[8];
  snprintf(text, sizeof text, "\\x%02x", c);
  return text;
}

void PutUtf8(std::string* out, char32_t c) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | c >> 6));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | c >> 12));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | c >> 18));
    out->push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (c >= 0xD800 && c < 0xE000)
      c = 0xFFFD;  // a lone surrogate has no UTF-8
    PutUtf8(&out, c);
  }
  return out;
}

bool Utf8ToUtf16(std::string_view text, std::u16string* out, size_t* badAt) {
  out->clear();
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const int more = c < 0x80 ? 0 : c >= 0xC2 && c < 0xE0 ? 1 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xF0 && c < 0xF5 ? 3 : -1;
    char32_t value = more == 0 ? c : more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : c & 0x07;
    bool good = more >= 0;
    for (int k = 1; good && k <= more; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) good = false;
      else value = value << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (!good || value < least[more < 0 ? 0 : more] || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) {
      if (badAt) *badAt = i;
      return false;
    }
    if (value >= 0x10000) {
      out->push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(value));
    }
    i += 1 + more;
  }
  return true;
}

// Read as Windows reads the bytes; a control character of 0x80-0x9F, a pair
// the code page does not define and a lead byte cut off are shown as bytes.
std::string AnsiToUtf8(const std::string& bytes, int codePage) {
  size_t plain = 0;
  while (plain < bytes.size() && static_cast<unsigned char>(bytes[plain]) < 0x80) ++plain;
  const sim::CodePage* page = sim::CodePage::Find(codePage);
  if (plain == bytes.size() || !page) return bytes;
  std::string out = bytes.substr(0, plain);
  for (size_t i = plain; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    unsigned int code = c;
    if (page->IsLead(c)) {
      if (i + 1 == bytes.size() || bytes[i + 1] == 0) {
        out += Escaped(c);
        continue;
      }
      code = code << 8 | static_cast<unsigned char>(bytes[i + 1]);
    }
    const uint16_t unit = page->ToUnicode(code);
    bool exact = false;
    const bool defined = unit != page->uniDefaultChar() || page->FromUnicode(unit, &exact) == code;
    if (!defined || (unit >= 0x80 && unit < 0xA0)) {
      out += Escaped(c);
      continue;
    }
    PutUtf8(&out, unit);
    if (code > 0xFF) ++i;
  }
  return out;
}

std::string JsonText(const std::string& bytes, int codePage) {
  std::string out = "\"";
  char escape[8];
  for (unsigned char c : AnsiToUtf8(bytes, codePage)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string JsonStringBytes(const std::string& v) {
  std::string out;
  for (size_t i = 1; i + 1 < v.size(); ++i) {
    if (v[i] != '\\') {
      out += v[i];
    } else if (v[i + 1] == 'u' && i + 5 < v.size()) {
      out += static_cast<char>(strtoul(v.substr(i + 2, 4).c_str(), NULL, 16));
      i += 5;
    } else {
      out += v[++i];
    }
  }
  return out;
}

}  // namespace plan
