#include "lint_codes.h"

#include "plan_text.h"

namespace plan {
namespace {

// Sources: "seen under Wine" means a run of the real calls under Wine;
// "documented" means Microsoft's reference pages of the calls named.
const FindingCode kCodes[] = {
    {"INI01", true, "InstallInfo.ini is missing",
     "The launcher reads every record from InstallInfo.ini beside Setup.exe. Without it each key takes its\n"
     "default (mostly the empty text), so no product key, instance event or marker has a name and nothing\n"
     "can be installed. Put the file into the package folder."},
    {"INI02", true, "UTF-16 text with a byte-order mark",
     "The launcher reads InstallInfo.ini with GetPrivateProfileStringA. Release by release:\n"
     "  2000, XP, 2003: a file that begins with the UTF-16 little-endian mark FF FE is read as Unicode\n"
     "    and converted to the ANSI code page (the profile functions keep such a file Unicode: R. Chen,\n"
     "    \"Can INI files be Unicode?\", The Old New Thing, 2024-06-06). NT 4.0: not known.\n"
     "  95, 98, Me: no conversion is made (Tera Term's notes on the ini functions); the bytes are read\n"
     "    as ANSI text, in which no key is found, and the launcher takes every default.\n"
     "  The big-endian mark FE FF: no release is known to read it as Unicode.\n"
     "  Wine reads both marks as UTF-16, on every release it poses.\n"
     "The plan reads the file as each release does. Save it as ANSI text in the package's code page."},
    {"INI03", true, "UTF-16 text without a byte-order mark",
     "Seen under Wine, UTF-16 without the byte-order mark FF FE is read as ANSI text: no key is found,\n"
     "and every key takes its default. Save the file as ANSI text."},
    {"INI04", true, "UTF-8 byte-order mark",
     "No release documents a UTF-8 mark for the profile functions, and only the UTF-16 mark is known to\n"
     "make a file Unicode (see INI02): on every release, what Windows does with the bytes EF BB BF is\n"
     "not known. Read as ANSI text, as the plan reads them, they belong to line 1, so a section header\n"
     "there ([INSTALL_INFO]) is not found and its keys take their defaults. Wine differs: it takes the\n"
     "bytes as a mark and reads the file as UTF-8, so its keys are found. Save the file as ANSI text in\n"
     "the package's code page without the mark."},
    {"INI05", true, "a byte that is no character in the code page",
     "The launcher reads the file in the ANSI code page of the machine (--codepage). A byte that is no\n"
     "character there (0x81, 0x8D, 0x8F, 0x90, 0x9D in 1252; 0x81, 0x83, 0x88, 0x90, 0x98 in 1250;\n"
     "0x98 in 1251; 0x80, 0xA0, 0xFD to 0xFF in 932; 0xFF in 936 and 949: Windows reads them as control\n"
     "or private-use characters) does not read as the text that was meant. Write the text in the code\n"
     "page."},
    {"INI06", false, "text that looks like UTF-8",
     "Two or more bytes form a UTF-8 character. The launcher reads them as separate characters of the\n"
     "ANSI code page (e.g. \"Ã©\" for \"é\" in 1252). Save the file in the code page."},
    {"INI07", true, "a broken double-byte character",
     "In a double-byte code page (932, 936, 949) a lead byte must be followed by a trail byte. A lead\n"
     "byte at the end of a line or before a byte that cannot follow it takes the next character with it;\n"
     "a pair the code page does not assign reads as its default character."},
    {"INI08", true, "a NUL byte in a line",
     "A NUL byte inside the file: seen under Wine, the key on that line is then not found at all, and\n"
     "the launcher uses the key's default. Remove the byte. (A UTF-16 file is told once, as INI02 or\n"
     "INI03, not a NUL byte a line.)"},
    {"INI09", false, "a section the launcher never reads",
     "The launcher reads [INSTALL_INFO] and [UNINSTALL] only (letter case does not matter). Another\n"
     "section is ignored; the nearest known spelling is offered when the name is close to one."},
    {"INI10", false, "a key the launcher never reads",
     "A key of a known section that the launcher never asks for is ignored; the nearest known spelling\n"
     "is offered when the name is close to one."},
    {"INI11", false, "a key given again",
     "GetPrivateProfileStringA returns the first of two keys of the same name in a section; the later\n"
     "one is never read. Keep one."},
    {"INI12", false, "a key is missing",
     "The launcher then uses the key's default, named in the finding: the empty text for every key of\n"
     "[INSTALL_INFO] (no RegistryPath: no product key, so the product never reads as installed; no\n"
     "PDIENTRY: the instance event, marker and maker key have no name; no VID_PID: no device is ever\n"
     "found; no GUIDUNDINF: see GUID02), and for INFSGUID the launcher's default marker, which other\n"
     "packages may carry too. Add the key under its section header with the package's own value; the\n"
     "README's \"What a package holds\" lists every key, what the launcher does with it and its default."},
    {"INI13", true, "a value longer than the launcher reads",
     "The launcher reads each value into a buffer of fixed size (1024 bytes; 260 for INFSGUID) and the\n"
     "profile function cuts what does not fit: the launcher goes on with the cut text."},
    {"INI14", true, "a key the launcher reads, in a section where it never looks for it",
     "GetPrivateProfileStringA finds a key only in the section it is asked for: INFSGUID in [UNINSTALL],\n"
     "the others in [INSTALL_INFO]. Written under another section (its own header forgotten or\n"
     "misspelt), the key is never read, and when its own section has none the launcher takes the\n"
     "default. For INFSGUID that is the launcher's default marker, which the finding names: removal\n"
     "then deletes the INF files of any package that carries that marker and keeps the product's own.\n"
     "Move the line under its section's header."},
    {"PDI01", true, "PDIENTRY is empty",
     "PDIENTRY names the instance event (<PDIENTRY>Setup), the installed marker (<PDIENTRY>KEY) and the\n"
     "maker key (Software\\Corvale\\<PDIENTRY>). Empty, they have no product in them."},
    {"PDI02", true, "PDIENTRY holds a backslash or a control byte",
     "A backslash separates registry keys, so the maker key would be a path of several keys, and an\n"
     "event name may hold none (documented: CreateEvent). In a double-byte code page a trail byte 0x5C is part of its character and\n"
     "is no backslash."},
    {"PDI03", true, "PDIENTRY is too long for a registry key name",
     "The maker key Software\\Corvale\\<PDIENTRY> has PDIENTRY as a key name, and Windows allows 255\n"
     "characters in a key name (documented: Registry Element Size Limits; seen under Wine: 257 refused)."},
    {"PDI04", true, "PDIENTRY is too long for the instance event's name",
     "CreateEventA takes names of at most MAX_PATH characters with the terminating zero (documented; seen\n"
     "under Wine: 259 characters are taken, 260 refused with ERROR_FILENAME_EXCED_RANGE). The instance\n"
     "event is <PDIENTRY>Setup, so PDIENTRY may hold 254 characters. Longer, no event is created and a\n"
     "second copy of the launcher is not kept out."},
    {"PDI05", true, "PDIENTRY is longer than the launcher takes",
     "The launcher builds its names from PDIENTRY in buffers of 1024 bytes. A longer PDIENTRY ends the\n"
     "run without installing."},
    {"REG01", true, "RegistryPath is empty",
     "RegistryPath is the product key below HKEY_LOCAL_MACHINE. Empty, the installed test reads the root\n"
     "of HKEY_LOCAL_MACHINE and the launcher writes no InstallMode."},
    {"REG02", true, "RegistryPath names a root key",
     "The launcher opens RegistryPath below HKEY_LOCAL_MACHINE itself: a path that begins with HKEY_ or\n"
     "a root's short name (HKLM, HKCU, HKCR, HKU, HKCC) names a key of that name below the root. Leave\n"
     "the root out."},
    {"REG03", true, "RegistryPath has an empty key name",
     "A leading, trailing or doubled backslash leaves an empty key name in the path: it does not name\n"
     "the key that was meant. Write the key names with one backslash between them."},
    {"REG04", true, "RegistryPath has a key name longer than 255 characters",
     "Windows allows 255 characters in a key name (documented: Registry Element Size Limits; seen under\n"
     "Wine: 257 refused with ERROR_INVALID_PARAMETER). The product key cannot be created."},
    {"REG05", false, "RegistryPath longer than 260 characters",
     "Seen under Wine: RegCreateKeyExA and RegOpenKeyExA refuse a subkey path of more than 260 characters\n"
     "with ERROR_MORE_DATA, whatever its key names. Keep the path shorter."},
    {"VID01", true, "a hardware id longer than 255 bytes",
     "The launcher skips an id over 255 bytes: it matches nothing, and the other ids still count."},
    {"VID02", true, "a hardware id with a blank",
     "The ids of VID_PID are cut at commas and not trimmed: \" VID_1234&PID_5678\" never matches."},
    {"VID03", false, "an empty hardware id",
     "Two commas in a row, or one at either end, give an empty id that matches nothing."},
    {"VID04", true, "a hardware id that is not VID_xxxx&PID_xxxx",
     "Windows names USB devices VID_xxxx&PID_xxxx with four hex digits each; another form never matches\n"
     "a device key."},
    {"GUID01", true, "GUIDUNDINF is not a GUID",
     "GUIDUNDINF is the setup class GUID that the printer function's ClassGUID value holds, in the form\n"
     "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}. Another text matches no installed printer function."},
    {"GUID02", true, "GUIDUNDINF is empty",
     "The launcher compares each printer function's ClassGUID with GUIDUNDINF, and an absent ClassGUID\n"
     "reads as the empty text. So any printer function without a class, even another maker's, is taken\n"
     "for the product's: the launcher stops waiting for Windows' device installation and never runs the\n"
     "clean-up program. Give the product's setup class GUID."},
    {"GUID03", true, "INFSGUID is empty",
     "INFSGUID is the marker that tells the product's INF files. An empty marker would match every INF\n"
     "file, so the launcher purges none."},
    {"GUID04", true, "INFSGUID is not a GUID",
     "The marker is looked for as text in the heads of INF files; a text that is no GUID may match\n"
     "another maker's files."},
    {"FILE01", true, "the installer Install\\Setup.exe is missing",
     "The launcher hands over to Install\\Setup.exe below its own folder; without it nothing is installed."},
    {"FILE02", false, "a program or library of the package is missing",
     "The finding says on which releases and in which machine states the launcher starts or copies the\n"
     "file, found by running the plan on every release."},
    {"FILE03", true, "a path too long at the package's location",
     "The launcher starts and copies the package's files through the ANSI calls (CreateProcessA,\n"
     "CopyFileA), whose file names are limited to MAX_PATH characters with the terminating zero, so to\n"
     "259 (documented for CopyFileA, CreateFileA, DeleteFileA; on 95, 98 and Me \"must not exceed\n"
     "MAX_PATH\"); a longer one is refused with ERROR_FILENAME_EXCED_RANGE. A double-byte character\n"
     "counts as one. The plan shows the same refusal. Unpack the package nearer the drive's root."},
    {"FILE04", true, "the clean-up command line does not fit",
     "The launcher builds the clean-up program's command line in a fixed buffer and starts nothing when it\n"
     "does not fit."},
    {"FILE05", true, "the installer's path does not fit",
     "The launcher builds the installer's command line in 1024 bytes and starts nothing when even the\n"
     "program's path does not fit."},
    {"FILE06", false, "no room for INSTALLDIR",
     "With a typical earlier installation folder, the installer's command line has no room for\n"
     "INSTALLDIR=...; the installer is started without INSTALLDIR."},
    {"NOTE01", false, "more findings of a file not shown",
     "At most 20 findings are shown per file; the note counts the others and how many are errors."},
};

}  // namespace

const FindingCode* FindCode(const std::string& code) {
  for (const FindingCode& c : kCodes)
    if (Upper(code) == c.code) return &c;
  return nullptr;
}

bool ExplainCode(const std::string& code, std::string* text) {
  for (const FindingCode& c : kCodes) {
    if (Upper(code) != "ALL" && Upper(code) != c.code) continue;
    *text += std::string(text->empty() ? "" : "\n") + c.code + " (" + (c.error ? "error" : "warning") + "): " + c.title +
             "\n\n" + c.explanation + "\n";
  }
  return !text->empty();
}

}  // namespace plan
