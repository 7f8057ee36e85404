#include "plan_unicode.h"

#include <iconv.h>

#include <cstdio>
#include <cstdlib>

namespace plan {
namespace {

const char* IconvName(int codePage) {
  switch (codePage) {
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    default: return "CP1252";
  }
}

std::string Escaped(unsigned char c) {
  char text[8];
  snprintf(text, sizeof text, "\\x%02x", c);
  return text;
}

}  // namespace

std::string AnsiToUtf8(const std::string& bytes, int codePage) {
  size_t plain = 0;
  while (plain < bytes.size() && static_cast<unsigned char>(bytes[plain]) < 0x80) ++plain;
  if (plain == bytes.size()) return bytes;
  iconv_t convert = iconv_open("UTF-8", IconvName(codePage));
  if (convert == reinterpret_cast<iconv_t>(-1)) return bytes;
  std::string out = bytes.substr(0, plain);
  std::string piece(bytes.size() * 4 + 16, '\0');
  size_t at = plain;
  while (at < bytes.size()) {
    char* in = const_cast<char*>(bytes.data()) + at;
    size_t inLeft = bytes.size() - at;
    char* to = &piece[0];
    size_t toLeft = piece.size();
    const size_t done = iconv(convert, &in, &inLeft, &to, &toLeft);
    out.append(piece.data(), piece.size() - toLeft);
    at = bytes.size() - inLeft;
    if (done != static_cast<size_t>(-1)) break;
    // A byte that is no character (or a lead byte cut off): shown as it is.
    out += Escaped(static_cast<unsigned char>(bytes[at++]));
    iconv(convert, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(convert);
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
