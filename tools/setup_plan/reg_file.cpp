// .reg reading: the text is first cut into characters of its own encoding
// (UTF-16 code units, or ANSI characters with double-byte pairs kept whole,
// so that a trail byte is never taken for a backslash or a quote), then into
// logical lines, then into operations.
#include "reg_file.h"

#include <cstring>

#include "reg_text.h"
#include "sim.h"

namespace plan {
namespace {

using namespace regtext;

const char kVersion4[] = "REGEDIT4";
const char kVersion5[] = "Windows Registry Editor Version 5.00";

// The physical lines of the file, one at a time, as characters of its own
// encoding. A line ends at a line feed, one carriage return before it
// dropped; a last line without a line feed is one only when it holds
// something. A double-byte pair never holds a line end, so each line is cut
// into characters on its own.
class Lines {
 public:
  explicit Lines(const std::string& bytes)
      : p_(reinterpret_cast<const unsigned char*>(bytes.data())), n_(bytes.size()) {
    wide_ = n_ >= 2 && p_[0] == 0xFF && p_[1] == 0xFE;
    if (wide_) at_ = 2;
  }

  bool wide() const { return wide_; }
  bool More() const { return wide_ ? at_ + 1 < n_ : at_ < n_; }

  // The next line into `line` (its storage reused); false when none is left.
  bool Next(Units* line) {
    line->clear();
    if (!More()) return false;
    if (wide_) {
      for (; at_ + 1 < n_; at_ += 2) {
        const char32_t c = p_[at_] | (p_[at_ + 1] << 8);
        if (c == '\n') {
          at_ += 2;
          return Ended(line);
        }
        line->push_back(c);
      }
      at_ = n_;  // an odd last byte is no character
      return true;
    }
    const unsigned char* end = static_cast<const unsigned char*>(std::memchr(p_ + at_, '\n', n_ - at_));
    const size_t stop = end ? static_cast<size_t>(end - p_) : n_;
    line->reserve(stop - at_);
    for (size_t i = at_; i < stop; ++i) {
      if (_ismbblead(p_[i]) && i + 1 < stop && p_[i + 1] != '\r') {
        line->push_back(kPairMark | (p_[i] << 8) | p_[i + 1]);
        ++i;
      } else {
        line->push_back(p_[i]);
      }
    }
    if (!end) {
      at_ = n_;
      return true;
    }
    at_ = stop + 1;
    return Ended(line);
  }

 private:
  static bool Ended(Units* line) {
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return true;
  }

  const unsigned char* p_;
  size_t n_;
  size_t at_ = 0;
  bool wide_ = false;
};

class Parser : public Reader {
 public:
  Parser(const std::string& fileName, RegFile* out, bool wide) : Reader(fileName, out, wide) {}

  void Line(View raw, int line) {
    const View text = Trim(raw);
    if (text.empty() || text[0] == ';') return;
    if (text[0] == '[') return Key(text, line);
    if (text[0] == '@' || text[0] == '"') return Value(text, line);
    Error(line, "neither a key nor a value: " + Ascii(text));
  }

 private:
  void Key(View text, int line) {
    if (text.back() != ']') return Error(line, "key without its closing ']'");
    const bool remove = text.size() > 1 && text[1] == '-';
    std::string narrow = Narrow(text.substr(remove ? 2 : 1, text.size() - (remove ? 3 : 2)), line);
    haveKey_ = false;
    std::string rest;
    if (!SplitRoot(narrow, &rest)) return Error(line, "only HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are simulated");
    key_ = rest;
    haveKey_ = true;
    out()->operations.push_back(RegOperation{remove ? RegOperation::kDeleteKey : RegOperation::kCreateKey, key_, "",
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
  void Value(View text, int line) {
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
    const View data = Trim(text.substr(at + 1));
    if (data.size() == 1 && data[0] == '-') {
      op.kind = RegOperation::kDeleteValue;
    } else if (!Data(data, line, &op)) {
      return;
    }
    out()->operations.push_back(std::move(op));
  }

  bool haveKey_ = false;
  std::string key_;
};

// A hex value goes on in the next line when its line (so far) ends in a
// backslash; "=hex" anywhere in it tells a hex value.
bool EndsInContinuation(View line) {
  const View t = Trim(line);
  return !t.empty() && t.back() == '\\' && t.find(U"=hex") != View::npos;
}

// Drops the blanks at the end of `line`, in place.
void TrimEnd(Units* line) {
  while (!line->empty() && IsBlank(line->back())) line->pop_back();
}

}  // namespace

RegFile ParseRegFile(const std::string& content, const std::string& fileName) {
  RegFile out;
  Lines lines(content);
  Parser parser(fileName, &out, lines.wide());
  Units logical, next;
  int number = 0;  // of the last line read
  while (lines.Next(&logical) && (++number, Trim(logical).empty())) {
  }
  const std::string header = Trim(logical).empty() ? std::string() : Ascii(Trim(logical));
  if (header != kVersion4 && header != kVersion5) {
    parser.Error(number + (header.empty() ? 1 : 0),
                 "first line must be \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"");
    return out;
  }
  while (lines.Next(&logical)) {
    const int first = ++number;
    // Continued lines are joined in place, each trimmed and its backslash
    // dropped; once a line is known to hold "=hex", only its end is looked at.
    if (EndsInContinuation(logical) && lines.More()) {
      TrimEnd(&logical);
      logical.erase(0, logical.size() - Trim(logical).size());
      do {
        logical.pop_back();
        lines.Next(&next);
        ++number;
        const View more = Trim(next);
        logical.append(more.data(), more.size());
        TrimEnd(&logical);
      } while (!logical.empty() && logical.back() == '\\' && lines.More());
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
      case RegOperation::kSetValue:  // creates the key as well
        sim::SetValue(op.key, op.name, op.type, op.data);
        break;
      case RegOperation::kDeleteValue: sim::DeleteValue(op.key, op.name); break;
    }
  }
}

}  // namespace plan
