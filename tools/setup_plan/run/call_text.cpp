#include "call_text.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace plan {
namespace {

struct Name {
  unsigned long bits;
  const char* name;
};

// The names whose bits are all set, joined by " | "; what is left as hex.
std::string Flags(unsigned long value, const std::vector<Name>& names, const char* none) {
  if (value == 0) return none;
  std::string out;
  for (const Name& n : names) {
    if (n.bits == 0 || (value & n.bits) != n.bits) continue;
    out += (out.empty() ? "" : " | ") + std::string(n.name);
    value &= ~n.bits;
  }
  if (value) out += (out.empty() ? "" : " | ") + Hex(value);
  return out;
}

}  // namespace

std::string Hex(unsigned long value) {
  char text[16];
  snprintf(text, sizeof text, "0x%lx", value);
  return text;
}

std::string KeyAccessText(REGSAM access) {
  if (access == KEY_READ) return "read access (KEY_READ)";
  if (access == KEY_ALL_ACCESS) return "full access (KEY_ALL_ACCESS)";
  if (access == KEY_WRITE) return "write access (KEY_WRITE)";
  return "access " + Hex(access);
}

std::string FileAccessText(DWORD access) {
  if (access == GENERIC_READ) return "for reading (GENERIC_READ)";
  if (access == GENERIC_WRITE) return "for writing (GENERIC_WRITE)";
  if (access == (GENERIC_READ | GENERIC_WRITE)) return "for reading and writing (GENERIC_READ | GENERIC_WRITE)";
  if (access == 0) return "without access to its data (0)";
  return "with access " + Hex(access);
}

std::string FileShareText(DWORD share) {
  if (share == 0) return "shared with no other opener (0)";
  std::string words;
  const struct { DWORD bit; const char* word; } parts[] = {
      {FILE_SHARE_READ, "reading"}, {FILE_SHARE_WRITE, "writing"}, {FILE_SHARE_DELETE, "deleting"}};
  for (const auto& p : parts)
    if (share & p.bit) words += (words.empty() ? "" : ", ") + std::string(p.word);
  return "shared for " + words + " (" +
         Flags(share, {{FILE_SHARE_READ, "FILE_SHARE_READ"}, {FILE_SHARE_WRITE, "FILE_SHARE_WRITE"},
                       {FILE_SHARE_DELETE, "FILE_SHARE_DELETE"}}, "0") + ")";
}

std::string DispositionText(DWORD disposition) {
  switch (disposition) {
    case CREATE_NEW: return "created, must not exist (CREATE_NEW)";
    case CREATE_ALWAYS: return "created or emptied (CREATE_ALWAYS)";
    case OPEN_EXISTING: return "must exist (OPEN_EXISTING)";
    case OPEN_ALWAYS: return "opened or created (OPEN_ALWAYS)";
    case TRUNCATE_EXISTING: return "must exist, emptied (TRUNCATE_EXISTING)";
  }
  return "creation disposition " + std::to_string(disposition);
}

std::string ShowStateText(DWORD startupFlags, WORD showWindow) {
  if (!(startupFlags & STARTF_USESHOWWINDOW)) return "shown as the program chooses";
  switch (showWindow) {
    case SW_HIDE: return "hidden (SW_HIDE)";
    case SW_SHOWNORMAL: return "shown normally (SW_SHOWNORMAL)";
    // The host headers name only the states the launcher uses.
    case 2: return "minimised (SW_SHOWMINIMIZED)";
    case 4: return "shown, not activated (SW_SHOWNOACTIVATE)";
    case 5: return "shown (SW_SHOW)";
    case 6: return "minimised (SW_MINIMIZE)";
    case 7: return "minimised, not activated (SW_SHOWMINNOACTIVE)";
  }
  return "show state " + std::to_string(showWindow);
}

std::string LimitText(const std::string& limitMs) {
  if (limitMs == "INFINITE" || limitMs == std::to_string(INFINITE)) return "without a time limit";
  const unsigned long ms = strtoul(limitMs.c_str(), NULL, 10);
  if (ms != 0 && ms % 1000 == 0) return "at most " + std::to_string(ms / 1000) + " s";
  return "at most " + std::to_string(ms) + " ms";
}

std::string SendFlagsText(unsigned long flags) {
  return Flags(flags, {{0x0001, "SMTO_BLOCK"}, {SMTO_ABORTIFHUNG, "SMTO_ABORTIFHUNG"}, {0x0008, "SMTO_NOTIMEOUTIFNOTHUNG"}},
               "SMTO_NORMAL");
}

std::string DriverDeleteFlagsText(unsigned long flags) {
  return Flags(flags, {{0x1, "DPD_DELETE_UNUSED_FILES"}, {0x2, "DPD_DELETE_SPECIFIC_VERSION"}, {0x4, "DPD_DELETE_ALL_FILES"}},
               "0");
}

std::string EventAccessText(DWORD access) {
  return Flags(access, {{0x1F0003, "EVENT_ALL_ACCESS"}, {0x0002, "EVENT_MODIFY_STATE"}, {0x00100000, "SYNCHRONIZE"}}, "0");
}

std::string PrinterAccessText(unsigned long access) {
  return Flags(access, {{0xF000C, "PRINTER_ALL_ACCESS"}, {0x8, "PRINTER_ACCESS_USE"}, {0x4, "PRINTER_ACCESS_ADMINISTER"}},
               "0");
}

std::string LoadFlagsText(unsigned long flags) {
  return Flags(flags, {{LOAD_WITH_ALTERED_SEARCH_PATH, "LOAD_WITH_ALTERED_SEARCH_PATH"}}, "0");
}

std::string AttributesText(unsigned long attributes) {
  return Flags(attributes, {{FILE_ATTRIBUTE_NORMAL, "FILE_ATTRIBUTE_NORMAL"}, {FILE_ATTRIBUTE_READONLY, "FILE_ATTRIBUTE_READONLY"},
                            {FILE_ATTRIBUTE_HIDDEN, "FILE_ATTRIBUTE_HIDDEN"}, {FILE_ATTRIBUTE_SYSTEM, "FILE_ATTRIBUTE_SYSTEM"},
                            {FILE_ATTRIBUTE_ARCHIVE, "FILE_ATTRIBUTE_ARCHIVE"}},
               "0");
}

}  // namespace plan
