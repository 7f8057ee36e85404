// The arguments the launcher chooses, in words and with their Win32 names:
// access masks, sharing, creation dispositions, show states, wait limits,
// send and deletion flags. Used for the plan's lines and its JSON fields.
#pragma once

#include <string>

#include "sim.h"

namespace plan {

std::string Hex(unsigned long value);  // "0x20019"

// "read access (KEY_READ)", "full access (KEY_ALL_ACCESS)", "access 0x3".
std::string KeyAccessText(REGSAM access);
// "for reading (GENERIC_READ)", ...
std::string FileAccessText(DWORD access);
// "shared for reading (FILE_SHARE_READ)", "shared with no other opener (0)".
std::string FileShareText(DWORD share);
// "must exist (OPEN_EXISTING)", ...
std::string DispositionText(DWORD disposition);
// "shown as the program chooses", "hidden (SW_HIDE)", "minimised (SW_SHOWMINNOACTIVE)", ...
std::string ShowStateText(DWORD startupFlags, WORD showWindow);
// "without a time limit" or "at most 60 s" / "at most 1500 ms".
std::string LimitText(const std::string& limitMs);
// "SMTO_NORMAL", "SMTO_ABORTIFHUNG", "SMTO_BLOCK | SMTO_ABORTIFHUNG", ...
std::string SendFlagsText(unsigned long flags);
// "DPD_DELETE_UNUSED_FILES", "0" for none.
std::string DriverDeleteFlagsText(unsigned long flags);
// "EVENT_ALL_ACCESS", "EVENT_MODIFY_STATE", ...
std::string EventAccessText(DWORD access);
// "PRINTER_ALL_ACCESS", "PRINTER_ACCESS_USE", ...
std::string PrinterAccessText(unsigned long access);
// "LOAD_WITH_ALTERED_SEARCH_PATH", "0".
std::string LoadFlagsText(unsigned long flags);
// "FILE_ATTRIBUTE_NORMAL", ...
std::string AttributesText(unsigned long attributes);

}  // namespace plan
