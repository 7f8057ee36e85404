// .reg reading: the text is first cut into characters of its own encoding
// (UTF-16 code units, or ANSI characters with double-byte pairs kept whole,
// so that a trail byte is never taken for a backslash or a quote), then into
// logical lines, then into operations.
#include "reg_file.h"

#include <algorithm>
#include <cstring>
#include <sstream>

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
// into characters on its own. The file is read in pieces: only the line at
// hand is held, never the whole of a whole-machine export.
class Lines {
 public:
  explicit Lines(std::istream& in) : in_(&in) {
    Fill();
    head_ = buf_.substr(0, kHead);
    wide_ = buf_.size() >= 2 && static_cast<unsigned char>(buf_[0]) == 0xFF &&
            static_cast<unsigned char>(buf_[1]) == 0xFE;
    if (wide_) at_ = 2;
  }

  bool wide() const { return wide_; }
  // The first bytes of the file (for naming an encoding regedit does not write).
  const std::string& head() const { return head_; }
  // A UTF-16 file whose last byte is half a character.
  bool oddLastByte() const { return oddLastByte_; }
  bool More() {
    const size_t need = wide_ ? 2 : 1;
    while (buf_.size() - at_ < need && Fill()) {
    }
    if (buf_.size() - at_ >= need) return true;
    oddLastByte_ = oddLastByte_ || buf_.size() > at_;  // no character: said, then left out
    return false;
  }

  // The next line into `line` (its storage reused); false when none is left.
  bool Next(Units* line) {
    line->clear();
    if (!More()) return false;
    if (wide_) {
      do {
        for (; at_ + 1 < buf_.size(); at_ += 2) {
          const char16_t c = static_cast<char16_t>(Byte(at_) | (Byte(at_ + 1) << 8));
          if (c == '\n') {
            at_ += 2;
            return Ended(line);
          }
          line->push_back(c);
        }
      } while (Fill());
      oddLastByte_ = oddLastByte_ || at_ < buf_.size();
      at_ = buf_.size();
      return true;
    }
    size_t stop, scanned = 0;  // bytes after at_ known to hold no line feed
    for (;;) {
      const void* feed = std::memchr(buf_.data() + at_ + scanned, '\n', buf_.size() - at_ - scanned);
      if (feed) {
        stop = static_cast<const char*>(feed) - buf_.data();
        break;
      }
      scanned = buf_.size() - at_;
      if (!Fill()) {
        stop = buf_.size();
        break;
      }
    }
    line->reserve(stop - at_);
    for (size_t i = at_; i < stop; ++i) {
      if (_ismbblead(Byte(i)) && i + 1 < stop && Byte(i + 1) != '\r') {
        line->push_back(static_cast<char16_t>((Byte(i) << 8) | Byte(i + 1)));
        ++i;
      } else {
        line->push_back(Byte(i));
      }
    }
    const bool ended = stop < buf_.size();
    at_ = ended ? stop + 1 : stop;
    return ended ? Ended(line) : true;
  }

 private:
  static const size_t kPiece = 1 << 16;
  static const size_t kHead = 512;

  unsigned char Byte(size_t i) const { return static_cast<unsigned char>(buf_[i]); }

  // Drops what was read and appends the next piece; false at the end.
  bool Fill() {
    buf_.erase(0, at_);
    at_ = 0;
    const size_t held = buf_.size();
    buf_.resize(held + kPiece);
    in_->read(&buf_[held], kPiece);
    buf_.resize(held + static_cast<size_t>(in_->gcount()));
    return buf_.size() > held;
  }

  static bool Ended(Units* line) {
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return true;
  }

  std::istream* in_;
  std::string buf_;
  std::string head_;
  size_t at_ = 0;
  bool wide_ = false;
  bool oddLastByte_ = false;
};

class Parser : public Reader {
 public:
  Parser(const std::string& fileName, RegFile* out, bool wide) : Reader(fileName, out, wide) {}

  void Line(View raw, int line) {
    const View text = Trim(raw);
    if (text.empty() || text[0] == ';') return;
    if (text[0] == '[') return Key(text, line);
    if (text[0] == '@' || text[0] == '"') return Value(text, line);
    Error(line, "neither a key [...] nor a value \"name\"=...: " + Shown(text) + "; begin it with ; to keep it as a comment");
  }

  // A value line (its first line `text`) whose hex list goes on in the
  // lines after it: `list` holds the whole list, `type` the value's type,
  // `text` the line up to the list.
  void HexValue(View text, int line, DWORD type, HexList* list) { Value(Trim(text), line, type, list); }

  // Where the list of a hex value begins in `text` (its name, '=' and data
  // head whole in it), and the value's type; false for any other line.
  static bool HexListAt(View text, size_t* listAt, DWORD* type) {
    size_t at = 1;
    if (text.empty() || (text[0] != '@' && text[0] != '"')) return false;
    Units name;
    if (text[0] == '"' && !Quoted(text, &(at = 0), &name)) return false;
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at >= text.size() || text[at] != '=') return false;
    for (++at; at < text.size() && IsBlank(text[at]);) ++at;
    if (at >= text.size() || text[at] == '"') return false;
    size_t head;
    if (!HexHead(Ascii(text.substr(at)), &head, type)) return false;
    *listAt = at + head;
    return true;
  }

 private:
  void Key(View text, int line) {
    haveKey_ = false;
    deletedAt_ = 0;
    refused_ = true;
    if (text.back() != ']') return Error(line, "key without its closing ']': end the line with ]");
    const bool remove = text.size() > 1 && text[1] == '-';
    const View path = text.substr(remove ? 2 : 1, text.size() - (remove ? 3 : 2));
    if (!WithinLimits(path, line)) return;
    if (path.find(u'\0') != View::npos) return Error(line, "a NUL byte in the key's path: key names hold none; remove it");
    std::string narrow = Narrow(path, line);
    std::string rest;
    if (!SplitRoot(narrow, &rest)) return Error(line, RootFix(narrow));
    key_ = rest;
    haveKey_ = true;
    refused_ = false;
    out()->Add(RegOperation{remove ? RegOperation::kDeleteKey : RegOperation::kCreateKey, key_, "",
                                            REG_NONE, "", line});
    if (remove) haveKey_ = false;  // values after a deleted key have nowhere to go
    deletedAt_ = remove ? line : 0;
  }

  // Windows keeps a key at most 512 levels deep, and names a key in at most
  // 255 characters ("Registry Element Size Limits"); the root counts as no
  // level. A double-byte character is one character, as in the ANSI calls.
  bool WithinLimits(View path, int line) {
    size_t depth = 0, longest = 0, longestAt = 0;
    for (size_t part = path.find('\\'); part != View::npos;) {
      const size_t end = std::min(path.find('\\', part + 1), path.size());
      ++depth;
      if (end - part - 1 > longest) longest = end - part - 1, longestAt = part + 1;
      part = end < path.size() ? end : View::npos;
    }
    if (depth > kMaxKeyDepth)
      return Error(line, "key " + std::to_string(depth) + " levels deep; Windows keeps keys at most " +
                             std::to_string(kMaxKeyDepth) + " levels below the root: shorten the path"),
             false;
    if (longest > kMaxKeyName)
      return Error(line, "key name of " + std::to_string(longest) + " characters (" +
                             Shown(path.substr(longestAt, longest)) + "); Windows allows " +
                             std::to_string(kMaxKeyName) + ": shorten it"),
             false;
    return true;
  }

  // What to do with a key below a root the simulator does not keep.
  static std::string RootFix(const std::string& path) {
    if (StartsWithNoCase(path, "HKEY_CLASSES_ROOT") || StartsWithNoCase(path, "HKCR"))
      return "HKEY_CLASSES_ROOT is not simulated: write the key as HKEY_LOCAL_MACHINE\\Software\\Classes\\..., "
             "where Windows keeps it";
    if (StartsWithNoCase(path, "HKEY_USERS") || StartsWithNoCase(path, "HKU\\"))
      return "HKEY_USERS is not simulated: give the keys of the user who runs the launcher below HKEY_CURRENT_USER";
    return "only HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are simulated: put the key below one of them";
  }

  static bool SplitRoot(const std::string& path, std::string* rest) {
    static const struct {
      const char* root;
      const char* prefix;
    } kRoots[] = {{"HKEY_LOCAL_MACHINE", ""}, {"HKLM", ""}, {"HKEY_CURRENT_USER", "HKCU\\"}, {"HKCU", "HKCU\\"}};
    for (const auto& r : kRoots) {
      const size_t n = strlen(r.root);
      if (!StartsWithNoCase(path, r.root) || (path.size() > n && path[n] != '\\')) continue;
      const std::string below = path.size() > n ? path.substr(n + 1) : std::string();
      *rest = *r.prefix ? r.prefix + below : sim::LocalMachinePath(below);
      return true;
    }
    return false;
  }

  // A quoted text starting at `at`: its characters with \\ and \" undone;
  // `at` ends just after the closing quote. False when it does not close.
  void Value(View text, int line, DWORD listType = REG_NONE, HexList* list = nullptr) {
    if (!haveKey_ && refused_) return;  // the key's own error says it all
    if (!haveKey_)
      return Error(line, deletedAt_ ? "value below the key deleted on line " + std::to_string(deletedAt_) +
                                          ": it has nowhere to go; put it below a key that is not deleted"
                                    : std::string("value outside a key: put the key's [HKEY_...] line above it"));
    RegOperation op{RegOperation::kSetValue, key_, "", REG_NONE, "", line};
    size_t at = 1;
    if (text[0] == '"') {
      Units valueName;
      at = 0;
      if (!Quoted(text, &at, &valueName))
        return Error(line, "value name without its closing quote: end it with \" (one inside it is written \\\")");
      if (valueName.find(u'\0') != Units::npos)
        return Error(line, "a NUL byte in the value name: value names hold none; remove it");
      if (valueName.size() > kMaxValueName)
        return Error(line, "value name of " + std::to_string(valueName.size()) + " characters; Windows allows " +
                               std::to_string(kMaxValueName) + ": shorten it");
      op.name = Narrow(valueName, line);
    }
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at >= text.size() || text[at] != '=') return Error(line, "'=' missing after the value name: write \"name\"=data");
    const View data = Trim(text.substr(at + 1));
    if (list) {
      if (!HexData(listType, list, line, &op)) return;
    } else if (data.size() == 1 && data[0] == '-') {
      op.kind = RegOperation::kDeleteValue;
    } else if (!Data(data, line, &op)) {
      return;
    }
    out()->Add(std::move(op));
  }

  bool haveKey_ = false;
  int deletedAt_ = 0;
  bool refused_ = false;  // the last key line was in error: its values are not reported again  // the line of the key last deleted, while no other key follows
  std::string key_;
};

// A hex value goes on in the next line when its line (so far) ends in a
// backslash; "=hex" anywhere in it tells a hex value.
bool EndsInContinuation(View line) {
  const View t = Trim(line);
  return !t.empty() && t.back() == '\\' && t.find(u"=hex") != View::npos;
}

// Drops the blanks at the end of `line`, in place.
void TrimEnd(Units* line) {
  while (!line->empty() && IsBlank(line->back())) line->pop_back();
}

// What is wrong with a file whose first line is no regedit header, and what
// to do: an empty file, one of blank lines, one that is no text, and an
// encoding regedit does not write are named.
std::string HeaderFix(const std::string& bytes, bool blank, int* line) {
  const char* const give = ": give a registry export, whose first line is \"REGEDIT4\" or \"Windows Registry Editor "
                           "Version 5.00\"";
  if (bytes.empty()) return *line = 0, std::string("the file is empty") + give;
  const auto starts = [&bytes](const char* mark) { return bytes.compare(0, strlen(mark), mark) == 0; };
  if (starts("\xFE\xFF"))
    return "UTF-16 big-endian; regedit reads UTF-16 little-endian: convert it (iconv -f UTF-16 -t UTF-16LE) "
           "and begin it with the bytes FF FE";
  if (starts("\xEF\xBB\xBF"))
    return "UTF-8 with a byte-order mark; regedit reads REGEDIT4 as ANSI text and version 5.00 as UTF-16LE: "
           "save it as one of them";
  if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0)
    return "UTF-16 without its byte-order mark: begin the file with the bytes FF FE, as regedit does";
  // Control bytes other than tab and line ends are in no text regedit writes.
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) {
      static const char digits[] = "0123456789ABCDEF";
      return *line = 0, std::string("not text (byte 0x") + digits[c >> 4] + digits[c & 15] + " at offset " + std::to_string(i) +
             ")" + give;
    }
  }
  if (blank) return *line = 0, std::string("the file holds only blank lines") + give;
  return "first line must be \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\": add it above the first key";
}

}  // namespace

RegFile ParseRegFile(const std::string& content, const std::string& fileName) {
  RegFile out;
  ParseRegFile(content, fileName, &out);
  return out;
}

void ParseRegFile(const std::string& content, const std::string& fileName, RegFile* file) {
  std::istringstream in(content);
  ParseRegFile(in, fileName, file);
}

void ParseRegFile(std::istream& in, const std::string& fileName, RegFile* file) {
  // Converting the file's text is no call of the launcher's: it is neither
  // recorded (a whole machine's export would make millions) nor observed.
  struct Quiet {
    Quiet() : was(sim::SetQuiet(true)) {}
    ~Quiet() { sim::SetQuiet(was); }
    bool was;
  } quiet;
  RegFile& out = *file;
  Lines lines(in);
  Parser parser(fileName, &out, lines.wide());
  Units logical, next;
  int number = 0;  // of the last line read
  while (lines.Next(&logical) && (++number, Trim(logical).empty())) {
  }
  const std::string header = Trim(logical).empty() ? std::string() : Ascii(Trim(logical));
  if (header != kVersion4 && header != kVersion5) {
    int line = number;
    const std::string fix = HeaderFix(lines.head(), header.empty(), &line);
    parser.Error(line, fix);
    parser.Finish();
    return;
  }
  while (lines.Next(&logical)) {
    const int first = ++number;
    // Continued lines are joined in place, each trimmed and its backslash
    // dropped; once a line is known to hold "=hex", only its end is looked at.
    // A hex value's list is read on a line at a time instead (a binary value
    // may be megabytes long, its text three times that).
    if (EndsInContinuation(logical) && !lines.More()) {
      parser.Error(first, "the file ends inside this value: its last line ends in a backslash, and the line that goes "
                          "on is missing; export the key again");
      continue;
    }
    if (EndsInContinuation(logical)) {
      TrimEnd(&logical);
      logical.erase(0, logical.size() - Trim(logical).size());
      size_t listAt;
      DWORD type;
      if (Parser::HexListAt(View(logical).substr(0, logical.size() - 1), &listAt, &type)) {
        HexList list;
        list.Feed(Ascii(View(logical).substr(listAt, logical.size() - 1 - listAt)));
        for (;;) {
          lines.Next(&next);
          ++number;
          if (Trim(next).empty())
            parser.Warning(number, "a blank line where the hex value of line " + std::to_string(first) +
                                       " goes on: the value is cut here, and is set with the bytes before it; "
                                       "join its lines, or export the key again");
          list.Feed(Ascii(Trim(next)));
          list.TrimEnd();
          if (list.Last() != '\\' || !lines.More()) break;
          list.DropLast();
        }
        logical.resize(listAt);
        parser.HexValue(logical, first, type, &list);
        continue;
      }
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
  if (lines.oddLastByte())
    parser.Warning(number, "the file ends in an odd byte, half a UTF-16 character: it is left out; the file was "
                           "cut or written wrong, so export it again");
  parser.Finish();
}

void ApplyRegFile(const RegFile& file) {
  for (const RegOperation& op : file.operations) ApplyRegOperation(op);
}

void ApplyRegOperation(const RegOperation& op) {
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

}  // namespace plan
