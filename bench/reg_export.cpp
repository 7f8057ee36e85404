// Writes a registry export of about BYTES bytes as regedit writes a whole
// machine, for bench/run plan:
//   bench_reg_export 4|5 BYTES FILE [machine|deep|wide|values|keys|root-keys]
// 4: "REGEDIT4", ANSI text; 5: "Windows Registry Editor Version 5.00",
// UTF-16LE with a byte-order mark. Lines end in CRLF. Of the bytes, about
// half are values of one key (tens of thousands of them, more for larger
// files), a quarter long hex values continued over many lines (25 bytes a
// line, as regedit wraps them), a tenth one string value on a single line,
// and the rest ordinary keys with a few values each. "deep": chains of keys
// 512 levels deep; "wide": one key with a great many subkeys; "values": one
// key with a great many values, of the kinds above; "keys": keys and nothing
// else, on lines as short as a key line can be ([HKLM\ab\cd]); "root-keys":
// the same with the root written out as regedit writes it.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool g_wide = false;
std::string g_out;  // the text, one byte per character (ASCII only)

size_t Bytes() { return g_wide ? 2 + 2 * g_out.size() : g_out.size(); }

void Line(const std::string& s) { g_out += s + "\r\n"; }

std::string Hex2(unsigned v) {
  static const char kDigits[] = "0123456789abcdef";
  return std::string{kDigits[(v >> 4) & 15], kDigits[v & 15]};
}

// A value's data as hex bytes, wrapped as regedit wraps it: a line holds the
// name and as many bytes as fit in 80 columns, then 25 bytes a line.
void HexValue(const std::string& head, const std::string& bytes) {
  std::string line = head;
  for (size_t i = 0; i < bytes.size(); ++i) {
    line += Hex2(static_cast<unsigned char>(bytes[i]));
    if (i + 1 == bytes.size()) break;
    line += ',';
    if (line.size() >= 76) {
      Line(line + "\\");
      line = "  ";
    }
  }
  Line(line);
}

// A text as the bytes a hex(2) or hex(7) value holds: UTF-16 in version 5.
std::string TextBytes(const std::string& text) {
  if (!g_wide) return text;
  std::string out;
  for (char c : text) out += std::string{c, '\0'};
  return out;
}

}  // namespace

// Keys as deep as Windows allows (512 levels), one chain after another,
// each key a line of its own with one value.
void DeepKeys(size_t target) {
  for (unsigned chain = 0; Bytes() < target; ++chain) {
    std::string path = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Deep" + std::to_string(chain);
    for (int level = 3; level <= 512 && Bytes() < target; ++level) {
      path += "\\k" + std::to_string(level % 10);
      Line("[" + path + "]");
      Line("\"Level\"=dword:" + Hex2(level >> 8) + Hex2(level) + "0000");
    }
  }
}

// Values of one key until the text reaches `stop` bytes: texts, dwords,
// short hex, hex(7).
void ManyValues(size_t stop) {
  Line("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Bench\\Parameters]");
  for (unsigned n = 0; Bytes() < stop; ++n) {
    const std::string name = "\"Value" + std::to_string(n) + "\"=";
    switch (n % 4) {
      case 0: Line(name + "\"text \\\"" + std::to_string(n) + "\\\" in C:\\\\Bench\""); break;
      case 1: Line(name + "dword:" + Hex2(n >> 24) + Hex2(n >> 16) + Hex2(n >> 8) + Hex2(n)); break;
      case 2: HexValue(name + "hex:", std::string{char(n), char(n >> 8), char(n >> 16), 1, 2, 3}); break;
      default: HexValue(name + "hex(7):", TextBytes("a" + std::to_string(n) + std::string(1, '\0') + "b" + std::string(2, '\0')));
    }
  }
  Line("");
}

// One key with a great many empty subkeys.
void WideKeys(size_t target) {
  for (unsigned n = 0; Bytes() < target; ++n)
    Line("[HKEY_LOCAL_MACHINE\\SYSTEM\\Wide\\Sub" + std::to_string(n) + "]");
}

// Keys without values, two short levels below the root, a line each: 1,296
// keys below each parent, named by two base-36 digits (the parent by as
// many as its number needs, at least two).
void BareKeys(size_t target, const char* root) {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (unsigned n = 0; Bytes() < target; ++n) {
    std::string parent;
    for (unsigned hi = n / (36 * 36); hi || parent.size() < 2; hi /= 36) parent.insert(parent.begin(), kDigits[hi % 36]);
    const unsigned lo = n % (36 * 36);
    Line(std::string("[") + root + "\\" + parent + "\\" + kDigits[lo / 36] + kDigits[lo % 36] + "]");
  }
}

bool Write(const char* file) {
  FILE* f = std::fopen(file, "wb");
  if (!f) return std::perror(file), false;
  if (g_wide) {
    std::string wide = "\xFF\xFE";
    wide.reserve(2 + 2 * g_out.size());
    for (char c : g_out) wide += std::string{c, '\0'};
    g_out.swap(wide);
  }
  const bool ok = std::fwrite(g_out.data(), 1, g_out.size(), f) == g_out.size();
  return std::fclose(f) == 0 && ok;
}

int main(int argc, char** argv) {
  const std::string shape = argc == 5 ? argv[4] : "machine";
  if ((argc != 4 && argc != 5) || (std::string(argv[1]) != "4" && std::string(argv[1]) != "5") ||
      (shape != "machine" && shape != "deep" && shape != "wide" && shape != "values" && shape != "keys" &&
       shape != "root-keys")) {
    std::fprintf(stderr, "usage: bench_reg_export 4|5 BYTES FILE [machine|deep|wide|values|keys|root-keys]\n");
    return 2;
  }
  g_wide = std::string(argv[1]) == "5";
  const size_t target = std::strtoull(argv[2], nullptr, 10);
  Line(g_wide ? "Windows Registry Editor Version 5.00" : "REGEDIT4");
  Line("");
  if (shape == "keys" || shape == "root-keys") {
    BareKeys(target, shape == "keys" ? "HKLM" : "HKEY_LOCAL_MACHINE");
    return Write(argv[3]) ? 0 : 1;
  }
  if (shape != "machine") {
    (shape == "deep" ? DeepKeys : shape == "wide" ? WideKeys : ManyValues)(target);
    return Write(argv[3]) ? 0 : 1;
  }

  // Ordinary keys with a few values each.
  unsigned n = 0;
  while (Bytes() < target / 8) {
    Line("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{" + std::to_string(100000000 + n) +
         "-0000-4000-8000-00AA00BB00CC}\\InprocServer32]");
    Line("@=\"C:\\\\WINDOWS\\\\system32\\\\bench" + std::to_string(n) + ".dll\"");
    Line("\"ThreadingModel\"=\"Apartment\"");
    Line("\"Flags\"=dword:" + Hex2(n & 255) + "0000" + Hex2(n >> 8 & 255));
    HexValue("\"Expand\"=hex(2):", TextBytes("%SystemRoot%\\bench" + std::to_string(n)) + std::string(g_wide ? 2 : 1, '\0'));
    Line("");
    ++n;
  }

  // One key with a great many values.
  ManyValues(target * 5 / 8);

  // Long binary values continued over many lines; the largest is an eighth
  // of the file.
  Line("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Bench]");
  const size_t stop = target * 7 / 8;
  for (n = 0; Bytes() < stop; ++n) {
    size_t length = (stop - Bytes()) / (g_wide ? 6 : 3);  // 3 characters a byte
    if (length > target / (g_wide ? 48 : 24)) length = target / (g_wide ? 48 : 24);
    std::string bytes;
    for (size_t i = 0; i <= length; ++i) bytes += static_cast<char>(i * 7 + n);
    HexValue("\"Blob" + std::to_string(n) + "\"=hex:", bytes);
  }
  Line("");

  // One very long line: a string value of the rest.
  Line("[HKEY_CURRENT_USER\\Software\\Bench]");
  const size_t rest = target > Bytes() + 64 ? (target - Bytes()) / (g_wide ? 2 : 1) - 32 : 1;
  std::string text;
  for (size_t i = 0; i < rest; ++i) text += static_cast<char>('a' + i % 26);
  Line("\"Long\"=\"" + text + "\"");
  Line("");

  return Write(argv[3]) ? 0 : 1;
}
