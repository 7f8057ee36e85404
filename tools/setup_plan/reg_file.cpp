// .reg reading: the text is first cut into characters of its own encoding
// (UTF-16 code units, or ANSI characters with double-byte pairs kept whole,
// so that a trail byte is never taken for a backslash or a quote), then into
// logical lines, then into operations.
#include "reg_file.h"

#include <cctype>
#include <cstring>

#include "sim.h"

namespace plan {
namespace {

typedef std::u32string Units;  // one character per element
// A double-byte ANSI character: both bytes in one unit, above every single byte.
const char32_t kPairMark = 0x10000;

const char kVersion4[] = "REGEDIT4";
const char kVersion5[] = "Windows Registry Editor Version 5.00";

struct Source {
  Units text;
  bool wide = false;
};

Source Decode(const std::string& bytes) {
  Source source;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
    source.wide = true;
    for (size_t i = 2; i + 1 < n; i += 2) source.text.push_back(p[i] | (p[i + 1] << 8));
    return source;
  }
  for (size_t i = 0; i < n; ++i) {
    if (_ismbblead(p[i]) && i + 1 < n && p[i + 1] != '\n' && p[i + 1] != '\r') {
      source.text.push_back(kPairMark | (p[i] << 8) | p[i + 1]);
      ++i;
    } else {
      source.text.push_back(p[i]);
    }
  }
  return source;
}

bool IsBlank(char32_t c) { return c == ' ' || c == '\t'; }

Units Trim(const Units& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Only ASCII is compared; any other character makes the comparison fail.
std::string Ascii(const Units& s) {
  std::string out;
  for (char32_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '\x01');
  return out;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  const size_t n = strlen(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (toupper(static_cast<unsigned char>(s[i])) != toupper(static_cast<unsigned char>(prefix[i]))) return false;
  return true;
}

class Parser {
 public:
  Parser(const std::string& fileName, RegFile* out, bool wide) : name_(fileName), out_(out), wide_(wide) {}

  void Error(int line, const std::string& what) {
    out_->errors.push_back(name_ + ":" + std::to_string(line) + ": error: " + what);
  }
  void Warning(int line, const std::string& what) {
    out_->warnings.push_back(name_ + ":" + std::to_string(line) + ": warning: " + what);
  }

  // ANSI bytes of text in the file's own encoding.
  std::string Narrow(const Units& s, int line) {
    std::string out;
    if (!wide_) {
      for (char32_t c : s) {
        if (c & kPairMark) out.push_back(static_cast<char>((c >> 8) & 0xFF));
        out.push_back(static_cast<char>(c & 0xFF));
      }
      return out;
    }
    return FromUtf16(std::vector<WCHAR>(s.begin(), s.end()), line);
  }

  std::string FromUtf16(const std::vector<WCHAR>& wide, int line) {
    if (wide.empty()) return std::string();
    std::string out(wide.size() * 2 + 1, '\0');
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0],
                                      static_cast<int>(out.size()), NULL, &lossy);
    if (lossy)
      Warning(line, "text not representable in code page " + std::to_string(sim::AnsiCodePage()) +
                        " became '?'");
    out.resize(n > 0 ? n : 0);
    return out;
  }

  void Line(const Units& raw, int line) {
    const Units text = Trim(raw);
    if (text.empty() || text[0] == ';') return;
    if (text[0] == '[') return Key(text, line);
    if (text[0] == '@' || text[0] == '"') return Value(text, line);
    Error(line, "neither a key nor a value: " + Ascii(text));
  }

 private:
  void Key(const Units& text, int line) {
    if (text.back() != ']') return Error(line, "key without its closing ']'");
    const bool remove = text.size() > 1 && text[1] == '-';
    Units path = text.substr(remove ? 2 : 1, text.size() - (remove ? 3 : 2));
    std::string narrow = Narrow(path, line);
    haveKey_ = false;
    std::string rest;
    if (!SplitRoot(narrow, &rest)) return Error(line, "only HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are simulated");
    key_ = rest;
    haveKey_ = true;
    out_->operations.push_back(RegOperation{remove ? RegOperation::kDeleteKey : RegOperation::kCreateKey, key_, "",
                                            REG_NONE, "", line});
    if (remove) haveKey_ = false;  // values after a deleted key have nowhere to go
  }

  static bool SplitRoot(const std::string& path, std::string* rest) {
    static const struct {
      const char* root;
      const char* prefix;
    } kRoots[] = {{"HKEY_LOCAL_MACHINE", ""}, {"HKLM", ""}, {"HKEY_CURRENT_USER", "HKCU\\"}, {"HKCU", "HKCU\\"}};
    for (const auto& r : kRoots) {
      const size_t n = strlen(r.root);
      if (!StartsWithNoCase(path, r.root) || (path.size() > n && path[n] != '\\')) continue;
      *rest = std::string(r.prefix) + (path.size() > n ? path.substr(n + 1) : std::string());
      return true;
    }
    return false;
  }

  // A quoted text starting at `at`: its characters with \\ and \" undone;
  // `at` ends just after the closing quote. False when it does not close.
  static bool Quoted(const Units& s, size_t* at, Units* text) {
    for (size_t i = *at + 1; i < s.size(); ++i) {
      if (s[i] == '\\' && i + 1 < s.size()) {
        text->push_back(s[++i]);
      } else if (s[i] == '"') {
        *at = i + 1;
        return true;
      } else {
        text->push_back(s[i]);
      }
    }
    return false;
  }

  void Value(const Units& text, int line) {
    if (!haveKey_) return Error(line, "value outside a key");
    RegOperation op{RegOperation::kSetValue, key_, "", REG_NONE, "", line};
    size_t at = 1;
    if (text[0] == '"') {
      Units valueName;
      at = 0;
      if (!Quoted(text, &at, &valueName)) return Error(line, "value name without its closing quote");
      op.name = Narrow(valueName, line);
    }
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at >= text.size() || text[at] != '=') return Error(line, "'=' missing after the value name");
    const Units data = Trim(text.substr(at + 1));
    if (data.size() == 1 && data[0] == '-') {
      op.kind = RegOperation::kDeleteValue;
    } else if (!Data(data, line, &op)) {
      return;
    }
    out_->operations.push_back(op);
  }

  bool Data(const Units& data, int line, RegOperation* op) {
    if (!data.empty() && data[0] == '"') {
      Units value;
      size_t at = 0;
      if (!Quoted(data, &at, &value) || at != data.size()) {
        Error(line, "string value not closed by a quote");
        return false;
      }
      op->type = REG_SZ;
      op->data = Narrow(value, line) + '\0';
      return true;
    }
    const std::string ascii = Ascii(data);
    if (StartsWithNoCase(ascii, "dword:")) return Dword(ascii.substr(6), line, op);
    if (StartsWithNoCase(ascii, "hex")) return Hex(ascii, line, op);
    Error(line, "unknown value form: " + ascii);
    return false;
  }

  bool Dword(const std::string& digits, int line, RegOperation* op) {
    if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      Error(line, "dword needs one to eight hex digits");
      return false;
    }
    const unsigned long v = strtoul(digits.c_str(), NULL, 16);
    op->type = REG_DWORD;
    op->data.clear();
    for (int i = 0; i < 4; ++i) op->data.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return true;
  }

  // hex:aa,bb (REG_BINARY) or hex(N):aa,bb with N the type in hex.
  bool Hex(const std::string& s, int line, RegOperation* op) {
    size_t colon = s.find(':');
    op->type = REG_BINARY;
    if (colon == std::string::npos) return Error(line, "hex value without ':'"), false;
    if (s[3] == '(') {
      const size_t close = s.find(')');
      if (close == std::string::npos || close + 1 != colon || close == 4) return Error(line, "bad hex(type)"), false;
      op->type = static_cast<DWORD>(strtoul(s.substr(4, close - 4).c_str(), NULL, 16));
    } else if (colon != 3) {
      return Error(line, "unknown value form: " + s), false;
    }
    std::string bytes;
    size_t at = colon + 1;
    while (at < s.size()) {
      while (at < s.size() && (IsBlank(s[at]) || s[at] == '\\')) ++at;
      const size_t comma = s.find(',', at);
      std::string byte = s.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
      while (!byte.empty() && IsBlank(byte.back())) byte.pop_back();
      if (byte.empty() && comma == std::string::npos) break;
      if (byte.size() != 2 || byte.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return Error(line, "bad hex byte '" + byte + "'"), false;
      bytes.push_back(static_cast<char>(strtoul(byte.c_str(), NULL, 16)));
      if (comma == std::string::npos) break;
      at = comma + 1;
    }
    const bool text = op->type == REG_SZ || op->type == REG_EXPAND_SZ || op->type == REG_MULTI_SZ;
    if (wide_ && text) {
      // 2000 and XP write these as UTF-16; the ANSI calls see them converted.
      std::vector<WCHAR> units;
      for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
      bytes = FromUtf16(units, line);
    }
    op->data = bytes;
    return true;
  }

  std::string name_;
  RegFile* out_;
  bool wide_;
  bool haveKey_ = false;
  std::string key_;
};

bool EndsInContinuation(const Units& line) {
  const Units t = Trim(line);
  return !t.empty() && t.back() == '\\' && Ascii(t).find("=hex") != std::string::npos;
}

}  // namespace

RegFile ParseRegFile(const std::string& content, const std::string& fileName) {
  RegFile out;
  const Source source = Decode(content);
  Parser parser(fileName, &out, source.wide);
  std::vector<Units> lines;
  Units current;
  for (char32_t c : source.text) {
    if (c == '\n') {
      if (!current.empty() && current.back() == '\r') current.pop_back();
      lines.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) lines.push_back(current);

  size_t i = 0;
  while (i < lines.size() && Trim(lines[i]).empty()) ++i;
  const std::string header = i < lines.size() ? Ascii(Trim(lines[i])) : std::string();
  if (header != kVersion4 && header != kVersion5) {
    parser.Error(static_cast<int>(i + 1), "first line must be \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"");
    return out;
  }
  for (++i; i < lines.size(); ++i) {
    const int first = static_cast<int>(i + 1);
    Units logical = lines[i];
    while (EndsInContinuation(logical) && i + 1 < lines.size()) {
      logical = Trim(logical);
      logical.pop_back();
      logical += Trim(lines[++i]);
    }
    parser.Line(logical, first);
  }
  return out;
}

void ApplyRegFile(const RegFile& file) {
  for (const RegOperation& op : file.operations) {
    switch (op.kind) {
      case RegOperation::kCreateKey:
        if (!op.key.empty()) sim::CreateKey(op.key);
        break;
      case RegOperation::kDeleteKey: sim::DeleteKey(op.key); break;
      case RegOperation::kSetValue:
        if (!op.key.empty()) sim::CreateKey(op.key);
        sim::SetValue(op.key, op.name, op.type, op.data);
        break;
      case RegOperation::kDeleteValue: sim::DeleteValue(op.key, op.name); break;
    }
  }
}

}  // namespace plan
