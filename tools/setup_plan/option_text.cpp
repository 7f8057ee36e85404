#include "option_text.h"

#include <iconv.h>
#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "code_pages.h"
#include "plan_unicode.h"

namespace plan {

namespace {

// The terminal's character set, asked of the locale and put back at once, so
// that nothing else in the tool reads bytes by the locale's rules.
std::string TerminalCharset() {
  const char* was = std::setlocale(LC_CTYPE, nullptr);
  const std::string saved = was ? was : "C";
  std::string charset;
  if (std::setlocale(LC_CTYPE, "")) charset = nl_langinfo(CODESET);
  std::setlocale(LC_CTYPE, saved.c_str());
  return charset;
}

// `text` of the terminal as UTF-8; a terminal without a character set of
// its own (the C locale) is taken as UTF-8.
bool TerminalToUtf8(const std::string& text, std::string* utf8) {
  static const std::string charset = TerminalCharset();
  if (charset.empty() || charset == "UTF-8" || charset == "ANSI_X3.4-1968" || charset == "ASCII") {
    *utf8 = text;
    return true;
  }
  iconv_t convert = iconv_open("UTF-8", charset.c_str());
  if (convert == reinterpret_cast<iconv_t>(-1)) return false;
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size(), outLeft = out.size();
  char* to = &out[0];
  const bool done = iconv(convert, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1);
  iconv_close(convert);
  out.resize(out.size() - outLeft);
  *utf8 = out;
  return done;
}

// A piece of terminal text in the code page: false, with what went wrong.
bool Piece(const std::string& text, const sim::CodePage& page, std::string* out, std::string* why) {
  std::string utf8;
  std::u16string wide;
  size_t badAt = 0;
  if (!TerminalToUtf8(text, &utf8) || !Utf8ToUtf16(utf8, &wide, &badAt)) {
    *why = "is not text in the terminal's character set (" + TerminalCharset() + "); give such bytes as <xNN>";
    return false;
  }
  for (size_t i = 0; i < wide.size(); ++i) {
    bool exact = false;
    const uint16_t code = page.FromUnicode(wide[i], &exact);
    if (!exact || page.ToUnicode(code) != wide[i]) {
      const bool pair = wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size();
      char hex[16];
      std::snprintf(hex, sizeof hex, "U+%04X", pair ? 0x10000 + ((wide[i] - 0xD800) << 10) + (wide[i + 1] - 0xDC00)
                                                    : static_cast<unsigned int>(wide[i]));
      *why = "holds '" + Utf16ToUtf8(wide.substr(i, pair ? 2 : 1)) + "' (" + hex + "), which code page " +
             std::to_string(page.id()) + " lacks; pose another --codepage or give its bytes as <xNN>";
      return false;
    }
    if (code > 0xFF) out->push_back(static_cast<char>(code >> 8));
    out->push_back(static_cast<char>(code & 0xFF));
  }
  return true;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// `text` in the code page, "<xNN>" taken as the byte NN.
bool Convert(const std::string& text, const sim::CodePage& page, std::string* out, std::string* why) {
  std::string result, piece;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "<x") == 0 && i + 4 < text.size() && IsHex(text[i + 2]) && IsHex(text[i + 3]) &&
        text[i + 4] == '>') {
      if (!Piece(piece, page, &result, why)) return false;
      piece.clear();
      result.push_back(static_cast<char>(std::strtoul(text.substr(i + 2, 2).c_str(), nullptr, 16)));
      i += 4;
    } else {
      piece.push_back(text[i]);
    }
  }
  if (!Piece(piece, page, &result, why)) return false;
  *out = result;
  return true;
}

}  // namespace

bool ConvertTextOptions(Options* o, std::string* error) {
  const sim::CodePage* page = sim::CodePage::Find(o->codePage);
  if (!page) return true;  // refused with the valid code pages when the machine is posed
  std::string why;
  // One text of `option`, the whole argument or the part before its last '='.
  const auto one = [&](const char* option, std::string* text, int place) {
    const std::string given = *text;
    if (Convert(given, *page, text, &why)) return true;
    const std::string what = std::string(option) + " \"" + given + "\" " + why;
    *error = place ? PlaceError(place, what) : ArgumentError(*o, given, what);
    return false;
  };
  const auto beforeEq = [&](const char* option, std::string* text) {
    const size_t eq = text->find('=');
    std::string head = text->substr(0, eq);
    if (!one(option, &head, 0)) return false;
    *text = head + (eq == std::string::npos ? "" : text->substr(eq));
    return true;
  };
  const std::pair<const char*, std::string*> single[] = {{"--location", &o->location},
                                                         {"--current-folder", &o->currentFolder},
                                                         {"--windows-folder", &o->windowsFolder},
                                                         {"--system-folder", &o->systemFolder}};
  for (const auto& s : single)
    if (!one(s.first, s.second, 0)) return false;
  const std::pair<const char*, std::vector<std::string>*> lists[] = {
      {"--window", &o->windows}, {"--hung-window", &o->hungWindows}, {"--printer", &o->printers},
      {"--program", &o->programs}, {"--event", &o->events},          {"--held-file", &o->heldFiles}};
  for (const auto& l : lists)
    for (std::string& text : *l.second)
      if (!one(l.first, &text, 0)) return false;
  for (std::string& file : o->files)
    if (!beforeEq("--file", &file)) return false;  // the host file after '=' stays as given
  for (Trigger& t : o->triggers)
    if (!t.program.empty() && !one("--effect", &t.program, t.place)) return false;
  for (ProgramTime& d : o->durations)
    if (!one("--duration", &d.program, d.place)) return false;
  for (std::string& arg : o->launcherArgs)
    if (!one("the launcher's command line", &arg, 0)) return false;
  return true;
}

std::string RawOptionText(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : bytes) {
    if (c < 0x80 && c != '<') {
      text.push_back(static_cast<char>(c));
    } else {
      text += "<x";
      text.push_back(kHex[c >> 4]);
      text.push_back(kHex[c & 15]);
      text.push_back('>');
    }
  }
  return text;
}

}  // namespace plan
