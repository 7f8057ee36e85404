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

class Parser : public Reader {
 public:
  Parser(const std::string& fileName, RegFile* out, bool wide) : Reader(fileName, out, wide) {}

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
    out()->operations.push_back(op);
  }

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
