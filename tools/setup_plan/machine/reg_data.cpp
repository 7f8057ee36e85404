// Value data of .reg files: texts, dwords and hex lists into the bytes
// RegQueryValueExA returns; UTF-16 texts converted to the ANSI code page.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "code_pages.h"
#include "plan_unicode.h"
#include "reg_text.h"
#include "sim.h"

namespace plan {
namespace regtext {

bool IsBlank(char16_t c) { return c == ' ' || c == '\t'; }

View Trim(View s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Only ASCII is compared; any other character makes the comparison fail.
std::string Ascii(View s) {
  std::string out(s.size(), '\x01');
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] < 0x80) out[i] = static_cast<char>(s[i]);
  return out;
}

std::string Shown(View s) {
  const size_t kShown = 40;
  std::string out = Ascii(s.substr(0, kShown));
  for (char& c : out)
    if (c == '\x01') c = '?';
  return s.size() > kShown ? out + "..." : out;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  const size_t n = strlen(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (toupper(static_cast<unsigned char>(s[i])) != toupper(static_cast<unsigned char>(prefix[i]))) return false;
  return true;
}

namespace {

// Quoted() handing each character to `put`.
template <class Put>
bool Unquote(View s, size_t* at, Put put) {
  for (size_t i = *at + 1; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      put(s[++i]);
    } else if (s[i] == '"') {
      *at = i + 1;
      return true;
    } else {
      put(s[i]);
    }
  }
  return false;
}

void PutNarrow(std::string* out, char16_t c) {
  if (c > 0xFF) out->push_back(static_cast<char>(c >> 8));
  out->push_back(static_cast<char>(c & 0xFF));
}

}  // namespace

bool Quoted(View s, size_t* at, Units* text) {
  return Unquote(s, at, [text](char16_t c) { text->push_back(c); });
}


void Reader::Error(int line, const std::string& what) {
  if (out_->errors.size() >= kErrorsShown) return void(++hidden_);
  out_->errors.push_back(name_ + ":" + std::to_string(line) + ": error: " + what);
}
void Reader::Finish() {
  if (hidden_)
    out_->errors.push_back(name_ + ":0: note: " + std::to_string(hidden_) + " more error(s) not shown: at most " +
                           std::to_string(kErrorsShown) + " per file");
}
void Reader::Warning(int line, const std::string& what) {
  out_->warnings.push_back(name_ + ":" + std::to_string(line) + ": warning: " + what);
}

// ANSI bytes of text in the file's own encoding.
std::string Reader::Narrow(View s, int line) {
  std::string out;
  if (!wide_) {
    out.reserve(s.size());
    for (char16_t c : s) PutNarrow(&out, c);
    return out;
  }
  return FromUtf16(std::vector<WCHAR>(s.begin(), s.end()), line);
}

std::string Reader::FromUtf16(const std::vector<WCHAR>& wide, int line) {
  if (wide.empty()) return std::string();
  std::string out(wide.size() * 2 + 1, '\0');
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0],
                                    static_cast<int>(out.size()), NULL, NULL);
  out.resize(n > 0 ? n : 0);
  // Named: the first character the code page does not hold as itself, and
  // what Windows makes of it (its best fit, or the default character).
  const int codePage = sim::AnsiCodePage();
  const sim::CodePage& page = *sim::CodePage::Find(codePage);
  size_t changed = 0;
  std::u16string first;
  for (WCHAR unit : wide) {
    bool exact = false;
    const uint16_t code = page.FromUnicode(unit, &exact);
    if (exact && page.ToUnicode(code) == unit) continue;
    if (changed++ == 0) first = std::u16string(1, static_cast<char16_t>(unit));
  }
  if (changed) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned int>(first[0]));
    const std::string became = sim::FromUtf16(page, first, std::string_view(), nullptr);
    Warning(line, "text not representable in code page " + std::to_string(codePage) + ": '" + Utf16ToUtf8(first) +
                      "' (" + hex + ") became '" + AnsiToUtf8(became, codePage) + "'" +
                      (changed > 1 ? " (and " + std::to_string(changed - 1) + " more)" : std::string()));
  }
  return out;
}

bool Reader::Data(View data, int line, RegOperation* op) {
  if (!data.empty() && data[0] == '"') {
    // Straight into bytes (or UTF-16 units): a text may be megabytes long.
    std::string narrow;
    std::vector<WCHAR> units;
    if (wide_) units.reserve(data.size());
    else narrow.reserve(data.size());
    size_t at = 0;
    const bool closed = wide_ ? Unquote(data, &at, [&units](char16_t c) { units.push_back(static_cast<WCHAR>(c)); })
                              : Unquote(data, &at, [&narrow](char16_t c) { PutNarrow(&narrow, c); });
    if (!closed || at != data.size()) {
      Error(line, "string value not closed by a quote: end it with \" (one inside it is written \\\")");
      return false;
    }
    op->type = REG_SZ;
    op->data = wide_ ? FromUtf16(units, line) : std::move(narrow);
    op->data.push_back('\0');
    return true;
  }
  const std::string ascii = Ascii(data);
  if (StartsWithNoCase(ascii, "dword:")) return Dword(ascii.substr(6), line, op);
  if (StartsWithNoCase(ascii, "hex")) return Hex(ascii, line, op);
  Error(line, "unknown value form: " + Shown(data) + "; use \"text\", dword:XXXXXXXX, hex:aa,bb or hex(N):aa,bb");
  return false;
}

bool Reader::Dword(const std::string& digits, int line, RegOperation* op) {
  if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    Error(line, "dword needs one to eight hex digits, e.g. dword:00000001");
    return false;
  }
  const unsigned long v = strtoul(digits.c_str(), NULL, 16);
  op->type = REG_DWORD;
  op->data.clear();
  for (int i = 0; i < 4; ++i) op->data.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return true;
}

bool IsHexByte(std::string_view item) {
  return item.size() == 2 && isxdigit(static_cast<unsigned char>(item[0])) &&
         isxdigit(static_cast<unsigned char>(item[1]));
}

bool HexList::Take(std::string_view item) {
  while (!item.empty() && IsBlank(item.front())) item.remove_prefix(1);
  while (!item.empty() && IsBlank(item.back())) item.remove_suffix(1);
  if (!IsHexByte(item)) return bad_ = std::string(item), failed_ = true, false;
  bytes_.push_back(static_cast<char>(strtoul(std::string(item).c_str(), NULL, 16)));
  return true;
}

void HexList::Feed(std::string_view text) {
  // After a bad item the text is only kept, for Last() and TrimEnd().
  if (failed_) return void(carry_.append(text));
  if (!carry_.empty()) {  // an item begun in an earlier piece
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) return void(carry_.append(text));
    carry_.append(text.substr(0, comma));
    lastTaken_ = ',';
    if (!Take(carry_)) return void(carry_.append(text.substr(comma)));
    carry_.clear();
    text.remove_prefix(comma + 1);
  }
  size_t from = 0;
  for (size_t comma; (comma = text.find(',', from)) != std::string_view::npos; from = comma + 1) {
    lastTaken_ = ',';
    if (!Take(text.substr(from, comma - from))) break;
  }
  carry_.append(text.substr(from));
}

void HexList::TrimEnd() {
  while (!carry_.empty() && IsBlank(carry_.back())) carry_.pop_back();
}

bool HexList::Finish(std::string* bytes, std::string* bad) {
  std::string_view rest(carry_);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  if (!failed_ && !rest.empty()) Take(rest);
  if (failed_) return *bad = bad_, false;
  bytes->swap(bytes_);
  return true;
}

bool HexHead(const std::string& s, size_t* listAt, DWORD* type) {
  const size_t colon = s.find(':');
  if (colon == std::string::npos || !StartsWithNoCase(s, "hex")) return false;
  *type = REG_BINARY;
  if (s[3] == '(') {
    const size_t close = s.find(')');
    if (close == std::string::npos || close + 1 != colon || close == 4 || close > 12 ||
        s.find_first_not_of("0123456789abcdefABCDEF", 4) != close)
      return false;
    *type = static_cast<DWORD>(strtoul(s.substr(4, close - 4).c_str(), NULL, 16));
  } else if (colon != 3) {
    return false;
  }
  *listAt = colon + 1;
  return true;
}

// hex:aa,bb (REG_BINARY) or hex(N):aa,bb with N the type in hex.
bool Reader::Hex(const std::string& s, int line, RegOperation* op) {
  size_t listAt;
  DWORD type;
  if (!HexHead(s, &listAt, &type)) {
    const size_t colon = s.find(':');
    if (colon == std::string::npos) return Error(line, "hex value without ':': write hex:aa,bb or hex(N):aa,bb"), false;
    if (s[3] == '(') return Error(line, "bad hex(type): the type is hex digits, e.g. hex(7): for REG_MULTI_SZ"), false;
    return Error(line, "unknown value form: " + s.substr(0, 40) + (s.size() > 40 ? "..." : "") +
                           "; use hex:aa,bb or hex(N):aa,bb"), false;
  }
  HexList list;
  list.Feed(std::string_view(s).substr(listAt));
  return HexData(type, &list, line, op);
}

bool Reader::HexData(DWORD type, HexList* list, int line, RegOperation* op) {
  std::string bytes, bad;
  if (!list->Finish(&bytes, &bad))
    return Error(line, "bad hex byte '" + bad.substr(0, 8) + "': bytes are two hex digits with commas between, e.g. hex:01,ff"), false;
  const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
  if (wide_ && text) {
    // 2000 and XP write these as UTF-16; the ANSI calls see them converted.
    std::vector<WCHAR> units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      units.push_back(static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    bytes = FromUtf16(units, line);
  }
  op->type = type;
  op->data = std::move(bytes);
  return true;
}

}  // namespace regtext
}  // namespace plan
