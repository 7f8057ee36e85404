#include "options.h"
#include "option_text.h"
#include "plan_unicode.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace plan {

const char kHelp[] =
    "usage: setup-plan [options] PACKAGE_DIR [-- LAUNCHER_ARGS...]\n"
    "       setup-plan --check [--json] [--codepage N] [--location WINPATH] PACKAGE_DIR\n"
    "       setup-plan --matrix [--json] [--codepage N | --codepages N,N...]\n"
    "                  [--location WINPATH] [--machine NAME=FILE.reg]...\n"
    "                  [--printer NAME] [--max-wait MS] [--cell RELEASE:STATE=DIR]\n"
    "                  [--update FILE | --expect FILE | --html FILE] PACKAGE_DIR\n"
    "       setup-plan --explain CODE|all\n"
    "       setup-plan --help | -h\n"
    "\n"
    "Shows what Setup.exe does with the package in PACKAGE_DIR on a posed Windows\n"
    "machine: the launcher's own code runs on a simulated Windows, and every effect\n"
    "is printed in order. --check lints the package instead: one line per finding,\n"
    "ending in the code of its kind ([PDI04]); --explain CODE says what the code means\n"
    "and what to do (--explain all: every code).\n"
    "--matrix plans the package on every release in every machine state that\n"
    "follows from its InstallInfo.ini; --cell prints the options that rerun one\n"
    "cell (its .reg files written to DIR); --update FILE writes every cell's outcome,\n"
    "--expect FILE compares with it (exit 3 naming each changed cell).\n"
    "\n"
    "A package holds Setup.exe, InstallInfo.ini ([INSTALL_INFO] RegistryPath,\n"
    "PDIENTRY, GUIDUNDINF, VID_PID; [UNINSTALL] INFSGUID), Install\\Setup.exe (the\n"
    "installer), msvcp60.dll, mfc42.dll, Cleanup.exe, Util\\CloseDlg.exe,\n"
    "Util\\OemAdv07.exe and Util\\OemHlt07.exe; Uninstall in the maintenance dialog\n"
    "needs the product key's InstalledDevices. The README's \"What a package holds\"\n"
    "says what the launcher does with each, and what happens when it is missing.\n"
    "\n"
    "The machine:\n"
    "  --release R              the Windows release (default winxp):\n"
    "                             win95            Windows 95\n"
    "                             win98, win98fe   Windows 98, the first edition (4.10.1998)\n"
    "                             win98se          Windows 98 Second Edition (4.10.2222 A)\n"
    "                             winme            Windows Me\n"
    "                             nt40, nt4        Windows NT 4.0\n"
    "                             win2k            Windows 2000\n"
    "                             winxp            Windows XP\n"
    "                             win2003          Windows Server 2003\n"
    "                             win7             Windows 7\n"
    "                             win32s           Win32s\n"
    "                           the launcher installs on 98, 98 SE, Me, 2000, XP and\n"
    "                           Server 2003; on the others it ends without a word\n"
    "  --codepage N             the ANSI code page: 1252 (default), 1250, 1251, 932, 936, 949\n"
    "  --reg FILE               registry contents as regedit exports them (REGEDIT4, or\n"
    "                           version 5.00 in UTF-16); repeatable\n"
    "  --window TITLE           an open top-level window\n"
    "  --hung-window TITLE      an open window whose program takes no messages\n"
    "  --printer NAME[=DRIVER]  a printer queue and its driver\n"
    "  --inf DIR                files put into the Windows INF folder\n"
    "  --file WINPATH[=HOSTFILE]  any other file on the machine\n"
    "  --program WINPATH        a program outside the package that can be started\n"
    "  --event NAME             a named event another program holds\n"
    "  --held-file WINPATH      a file another program holds open, sharing nothing\n"
    "  --no-waiter              no program waits for the completion event\n"
    "  --location WINPATH       where the package lies (default C:\\Package)\n"
    "  --current-folder WINPATH  the folder the launcher is started in\n"
    "  --windows-folder WINPATH  the Windows folder, when not the release's own\n"
    "                           (C:\\WINDOWS; C:\\WINNT on NT 4.0 and 2000)\n"
    "  --system-folder WINPATH  the system folder, when not the release's own\n"
    "                           (SYSTEM in the Windows folder on 95, 98 and Me, system32)\n"
    "  --user admin|limited     the user runs as an administrator (default) or, on\n"
    "                           2000 and XP, as a limited user whom HKEY_LOCAL_MACHINE\n"
    "                           refuses write access\n"
    "\n"
    "What happens while it runs (virtual time, in milliseconds):\n"
    "  --effect PROGRAM=REGFILE  when PROGRAM (relative to the package, or a full\n"
    "                           path) starts, REGFILE is applied: the installer's part\n"
    "  --duration PROGRAM=MS    how long PROGRAM runs\n"
    "  --at MS=REGFILE          REGFILE is applied when the clock reaches MS (Windows\n"
    "                           finishes installing the device)\n"
    "  --pending-installs MS    Windows (2000, XP) installs devices until MS\n"
    "  --spooler-stop MS        how long the system's \"net stop spooler\" runs (a\n"
    "                           spooler held up by its jobs)\n"
    "  --choose cancel|uninstall|add-device  the user's answer in the maintenance\n"
    "                           dialog (default cancel); the message box is answered OK\n"
    "  --runs N                 runs the launcher N times (1 to 20) on the same machine\n"
    "  --state FILE             registry read from FILE when it exists, written after\n"
    "  --max-wait MS            a run still waiting after MS is abandoned (default 3600000);\n"
    "                           every MS is at most 2147483647 (about 24.8 days)\n"
    "  --json                   one JSON document instead of lines\n"
    "  --outcome                what the runs leave and what could be seen while they\n"
    "                           ran, one line each, instead of every effect (below)\n"
    "  --compare FILE           holds the outcome lines in FILE, observed on a machine\n"
    "                           the options describe, against the plan's; prints both\n"
    "  -- ARGS                  the launcher's command line, e.g. -- \"/aSample Printer\"\n"
    "\n"
    "Describing a machine (keys below HKEY_LOCAL_MACHINE; names from InstallInfo.ini):\n"
    "  installed         the value <PDIENTRY>KEY in <RegistryPath> (any type) and the\n"
    "                    key Software\\Corvale\\<PDIENTRY>; both are needed\n"
    "  earlier edition   any subkey of Software\\Ostrane\\Tamsk or Software\\Ostrane\\Varnesse\n"
    "  device plugged in a key <id>\\<instance> below the USB tree, <id> one of VID_PID:\n"
    "                      98, 98 SE: Enum\\USB\\<id>\\<instance>\n"
    "                      Me:        Enum\\USB\\<id>&MI_00\\<instance> (the interface)\n"
    "                      2000, XP:  SYSTEM\\CurrentControlSet\\Enum\\USB\\<id>\\<instance>\n"
    "  printer function  an instance below the DOT4 tree whose ClassGUID is GUIDUNDINF:\n"
    "                      98, 98 SE, Me: Enum\\DOT4PRT\\<device>\\<instance>\n"
    "                      2000, XP:      SYSTEM\\CurrentControlSet\\Enum\\DOT4PRT\\<device>\\<instance>\n"
    "  another copy      --event <PDIENTRY>Setup\n"
    "  removal mode      --printer NAME -- \"/aNAME\"\n"
    "The installer's part is scripted with --effect 'Install\\Setup.exe=done.reg' (a .reg\n"
    "file that writes InstalledLocation and the installed marker) and --duration; the\n"
    "uninstaller's with --program and --effect; Windows' own work with --at; the user's\n"
    "with --choose.\n"
    "\n"
    "The outcome (--outcome, --compare), a line each: first, in order, the programs\n"
    "started (command line, program named, show state, \", waited\" when the next start\n"
    "came after its end), a program the launcher ended (its exit code, and after how\n"
    "long when the wait for it ran out), the completion event as the installer\n"
    "started and ended, while the box or the dialog was up and after the launcher,\n"
    "whether msiexec.exe could be written while the installer ran and whether the\n"
    "launcher ended; then, sorted, the registry keys created empty or deleted and\n"
    "the values set or deleted (names in lower case), the files created, changed\n"
    "(size and CRC-32) or deleted in the package and INF folders and directly in the\n"
    "system folder, and the printers and drivers added or removed.\n"
    "\n"
    "Exit status: 0 the plan ran to its end (--check: no error found; --compare: the\n"
    "outcome is as planned), 1 a run was abandoned (--max-wait) or --check found an\n"
    "error, 2 an input is unusable, 3 the outcome compared differs from the plan.\n"
    "Errors name their place: FILE:LINE: error: ..., or <command line>:N: error: ...\n"
    "for the N-th argument; bytes that are not printable are written \\xNN.\n"
    "\n"
    "Text options (paths, titles, names, the launcher's command line) are read in the\n"
    "terminal's character set (LC_CTYPE; UTF-8 in the C locale) and converted to the\n"
    "code page; <xNN> gives the byte NN of the code page as it is, for a byte no\n"
    "character stands for (no Windows path holds '<'): --window '<x90><x56>'.\n"
    "The plan's text, the outcome and the errors are written in UTF-8.\n";

namespace {

bool SplitPair(const std::string& text, std::string* left, std::string* right) {
  const size_t eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) return false;
  *left = text.substr(0, eq);
  *right = text.substr(eq + 1);
  return true;
}

bool Number(const std::string& text, unsigned long* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *value = strtoul(text.c_str(), NULL, 10);
  return true;
}

// A virtual time: at most kMaxVirtualMs.
bool Milliseconds(const std::string& text, unsigned long* value) {
  return Number(text, value) && text.size() <= 10 && *value <= kMaxVirtualMs;
}

// Options that take one text, and options that may be given again.
std::string* TextOption(Options* o, const std::string& arg) {
  if (arg == "--release") return &o->release;
  if (arg == "--explain") return &o->explain;
  if (arg == "--inf") return &o->infDir;
  if (arg == "--location") return &o->location;
  if (arg == "--state") return &o->stateFile;
  if (arg == "--compare") return &o->compareWith;
  if (arg == "--cell") return &o->cell;
  if (arg == "--update") return &o->update;
  if (arg == "--expect") return &o->expect;
  if (arg == "--codepages") return &o->codePages;
  if (arg == "--html") return &o->html;
  if (arg == "--windows-folder") return &o->windowsFolder;
  if (arg == "--current-folder") return &o->currentFolder;
  if (arg == "--system-folder") return &o->systemFolder;
  return nullptr;
}

std::vector<std::string>* ListOption(Options* o, const std::string& arg) {
  const std::pair<const char*, std::vector<std::string>*> lists[] = {
      {"--reg", &o->regFiles}, {"--window", &o->windows}, {"--hung-window", &o->hungWindows}, {"--printer", &o->printers},
      {"--program", &o->programs}, {"--file", &o->files}, {"--event", &o->events},
      {"--held-file", &o->heldFiles}, {"--machine", &o->machines}};
  for (const auto& l : lists)
    if (arg == l.first) return l.second;
  return nullptr;
}

// Options of several values other than the lists: one per program or time.
bool IsRepeatable(const std::string& arg) { return arg == "--effect" || arg == "--at" || arg == "--duration"; }

std::string Error(int place, const std::string& what) {
  return "<command line>:" + std::to_string(place) + ": error: " + Printable(what);
}

}  // namespace

std::string Printable(const std::string& text) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::u16string unit;
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else if (c >= 0xC2 && Utf8ToUtf16(std::string_view(text).substr(i, length), &unit, nullptr) &&
               text.size() - i >= length && unit[0] >= 0xA0) {
      out.append(text, i, length);  // a character of UTF-8 text, as the terminal shows it
      i += length - 1;
    } else {
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 15];
    }
  }
  return out;
}

std::string PlaceError(int place, const std::string& what) { return Error(place, what); }

std::string ArgumentError(const Options& options, const std::string& value, const std::string& what) {
  int place = 0;
  for (size_t i = 0; i < options.arguments.size() && !place; ++i)
    if (options.arguments[i] == value) place = static_cast<int>(i + 1);
  return Error(place, what);
}

std::string OptionError(const Options& options, const std::string& option, const std::string& what) {
  const auto place = options.places.find(option);
  return Error(place == options.places.end() ? 0 : place->second, what);
}

std::string ValueError(const Options& options, const std::string& option, const std::string& what) {
  const auto place = options.places.find(option);
  return Error(place == options.places.end() ? 0 : place->second + 1, what);
}

bool ParseOptions(int argc, char** argv, Options* o, std::string* error) {
  o->arguments.assign(argv + 1, argv + argc);
  int packagePlace = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.compare(0, 1, "-") == 0 && !o->places.count(arg)) o->places[arg] = i;
    if (arg == "--") {
      for (++i; i < argc; ++i) o->launcherArgs.push_back(argv[i]);
      break;
    }
    if (arg == "--help" || arg == "-h") { o->help = true; continue; }
    if (arg == "--check") { o->check = true; continue; }
    if (arg == "--matrix") { o->matrix = true; continue; }
    if (arg == "--json") { o->json = true; continue; }
    if (arg == "--outcome") { o->outcome = true; continue; }
    if (arg == "--no-waiter") { o->waiter = false; continue; }
    if (arg.compare(0, 2, "--") != 0) {
      if (!o->packageDir.empty())
        return *error = Error(i, "a second package folder \"" + arg + "\" (the first is argument " +
                                     std::to_string(packagePlace) + ")"), false;
      o->packageDir = arg;
      packagePlace = i;
      continue;
    }
    const bool known = TextOption(o, arg) || ListOption(o, arg) || arg == "--codepage" || arg == "--effect" ||
                       arg == "--at" || arg == "--duration" || arg == "--choose" || arg == "--runs" ||
                       arg == "--pending-installs" || arg == "--max-wait" || arg == "--user" ||
                       arg == "--spooler-stop";
    if (!known) return *error = Error(i, "unknown option \"" + arg + "\" (see --help)"), false;
    if (i + 1 >= argc) return *error = Error(i, arg + " needs a value"), false;
    if (!ListOption(o, arg) && !IsRepeatable(arg) && o->places.at(arg) != i)
      return *error = Error(i, arg + " again (first given as argument " + std::to_string(o->places.at(arg)) +
                                   "): it takes one value; give it once"),
             false;
    const std::string value = argv[++i];
    std::string left, right;
    unsigned long number = 0;
    const auto bad = [&](const std::string& what) { return *error = Error(i, what), false; };
    const std::string upTo = " (at most " + std::to_string(kMaxVirtualMs) + ", about 24.8 days)";
    if (std::string* text = TextOption(o, arg)) {
      *text = value;
    } else if (std::vector<std::string>* list = ListOption(o, arg)) {
      list->push_back(value);
    } else if (arg == "--codepage") {
      if (!Number(value, &number)) return bad("--codepage needs a number, not \"" + value + "\"");
      o->codePage = static_cast<int>(number);
    } else if (arg == "--effect") {
      if (!SplitPair(value, &left, &right)) return bad("--effect needs PROGRAM=REGFILE, not \"" + value + "\"");
      o->triggers.push_back(Trigger{left, 0, right, i});
    } else if (arg == "--at") {
      if (!SplitPair(value, &left, &right) || !Milliseconds(left, &number))
        return bad("--at needs MS=REGFILE" + upTo + ", not \"" + value + "\"");
      o->triggers.push_back(Trigger{"", number, right, i});
    } else if (arg == "--duration") {
      if (!SplitPair(value, &left, &right) || !Milliseconds(right, &number))
        return bad("--duration needs PROGRAM=MS" + upTo + ", not \"" + value + "\"");
      o->durations.push_back(ProgramTime{left, number, i});
    } else if (arg == "--choose") {
      if (value == "cancel") o->choice = Choice::kCancel;
      else if (value == "uninstall") o->choice = Choice::kUninstall;
      else if (value == "add-device") o->choice = Choice::kAddDevice;
      else return bad("--choose is cancel, uninstall or add-device, not \"" + value + "\"");
    } else if (arg == "--user") {
      if (value != "admin" && value != "limited") return bad("--user is admin or limited, not \"" + value + "\"");
      o->limitedUser = value == "limited";
    } else if (arg == "--runs") {
      if (!Number(value, &number) || number < 1 || number > 20) return bad("--runs is 1 to 20, not \"" + value + "\"");
      o->runs = static_cast<int>(number);
    } else if (arg == "--pending-installs") {
      if (!Milliseconds(value, &number)) return bad("--pending-installs needs a number of milliseconds" + upTo + ", not \"" + value + "\"");
      o->pendingInstallsMs = number;
    } else if (arg == "--spooler-stop") {
      if (!Milliseconds(value, &number)) return bad("--spooler-stop needs a number of milliseconds" + upTo + ", not \"" + value + "\"");
      o->spoolerStopMs = number;
    } else if (arg == "--max-wait") {
      if (!Milliseconds(value, &number)) return bad("--max-wait needs a number of milliseconds" + upTo + ", not \"" + value + "\"");
      o->maxWaitMs = number;
    }
  }
  // --explain only prints a text: anything beside it would be taken and
  // silently not done (a --check that a script believes ran).
  if (!o->explain.empty() && !o->help) {
    std::string other = o->packageDir.empty() ? "" : "a package folder";
    int place = o->packageDir.empty() ? argc : packagePlace;
    for (const auto& given : o->places)
      if (given.first != "--explain" && given.second < place) other = given.first, place = given.second;
    if (!other.empty())
      return *error = Error(place, other + " with --explain: --explain only says what a code means and checks or "
                                           "plans nothing; give it alone"),
             false;
  }
  if (o->packageDir.empty() && !o->help && o->explain.empty())
    return *error = Error(argc - 1, "no package folder given: name the folder that holds Setup.exe and InstallInfo.ini"), false;
  return o->help || !o->explain.empty() || (CheckOptionsTogether(*o, error) && ConvertTextOptions(o, error));
}

std::string LauncherCommandLine(const Options& options) {
  std::string line;
  for (const std::string& arg : options.launcherArgs) line += (line.empty() ? "" : " ") + arg;
  return line;
}

}  // namespace plan
