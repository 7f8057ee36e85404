#include "options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace plan {

const char kUsage[] =
    "usage: setup-plan [--release R] [--codepage N] [--reg FILE]... [--window TITLE]... [--hung-window TITLE]...\n"
    "                  [--printer NAME[=DRIVER]]... [--inf DIR] [--program WINPATH]... [--event NAME]...\n"
    "                  [--file WINPATH[=HOSTFILE]]... [--pending-installs MS]\n"
    "                  [--effect PROGRAM=REGFILE]... [--at MS=REGFILE]... [--duration PROGRAM=MS]...\n"
    "                  [--choose cancel|uninstall|add-device] [--runs N] [--state FILE] [--no-waiter]\n"
    "                  [--location WINPATH] [--max-wait MS] [--user admin|limited] [--json] PACKAGE_DIR [-- LAUNCHER_ARGS]\n"
    "       setup-plan --check [--codepage N] [--location WINPATH] PACKAGE_DIR\n"
    "releases: win95 win98 (first edition, also win98fe) win98se winme nt40 win2k winxp win2003 win7 win32s\n";

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

// "\xNN" in a window title stands for the byte NN, so that titles in a
// double-byte code page can be given from any terminal.
std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size() && isxdigit(static_cast<unsigned char>(text[i + 2])) &&
        isxdigit(static_cast<unsigned char>(text[i + 3]))) {
      out.push_back(static_cast<char>(strtoul(text.substr(i + 2, 2).c_str(), NULL, 16)));
      i += 3;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Options that take one text, and options that may be given again.
std::string* TextOption(Options* o, const std::string& arg) {
  if (arg == "--release") return &o->release;
  if (arg == "--inf") return &o->infDir;
  if (arg == "--location") return &o->location;
  if (arg == "--state") return &o->stateFile;
  return nullptr;
}

std::vector<std::string>* ListOption(Options* o, const std::string& arg) {
  const std::pair<const char*, std::vector<std::string>*> lists[] = {
      {"--reg", &o->regFiles}, {"--window", &o->windows}, {"--hung-window", &o->hungWindows}, {"--printer", &o->printers},
      {"--program", &o->programs}, {"--file", &o->files}, {"--event", &o->events}};
  for (const auto& l : lists)
    if (arg == l.first) return l.second;
  return nullptr;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* o, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      for (++i; i < argc; ++i) o->launcherArgs.push_back(argv[i]);
      break;
    }
    if (arg == "--check") { o->check = true; continue; }
    if (arg == "--json") { o->json = true; continue; }
    if (arg == "--no-waiter") { o->waiter = false; continue; }
    if (arg.compare(0, 2, "--") != 0) {
      if (!o->packageDir.empty()) return *error = "more than one package folder: " + arg, false;
      o->packageDir = arg;
      continue;
    }
    if (i + 1 >= argc) return *error = arg + " needs a value", false;
    const std::string value = argv[++i];
    std::string left, right;
    unsigned long number = 0;
    if (std::string* text = TextOption(o, arg)) {
      *text = value;
    } else if (std::vector<std::string>* list = ListOption(o, arg)) {
      list->push_back(arg == "--window" || arg == "--hung-window" ? Unescape(value) : value);
    } else if (arg == "--codepage") {
      if (!Number(value, &number)) return *error = "--codepage needs a number", false;
      o->codePage = static_cast<int>(number);
    } else if (arg == "--effect") {
      if (!SplitPair(value, &left, &right)) return *error = "--effect needs PROGRAM=REGFILE", false;
      o->triggers.push_back(Trigger{left, 0, right});
    } else if (arg == "--at") {
      if (!SplitPair(value, &left, &right) || !Number(left, &number)) return *error = "--at needs MS=REGFILE", false;
      o->triggers.push_back(Trigger{"", number, right});
    } else if (arg == "--duration") {
      if (!SplitPair(value, &left, &right) || !Number(right, &number))
        return *error = "--duration needs PROGRAM=MS", false;
      o->durations.push_back(ProgramTime{left, number});
    } else if (arg == "--choose") {
      if (value == "cancel") o->choice = Choice::kCancel;
      else if (value == "uninstall") o->choice = Choice::kUninstall;
      else if (value == "add-device") o->choice = Choice::kAddDevice;
      else return *error = "--choose is cancel, uninstall or add-device", false;
    } else if (arg == "--user") {
      if (value != "admin" && value != "limited") return *error = "--user is admin or limited", false;
      o->limitedUser = value == "limited";
    } else if (arg == "--runs") {
      if (!Number(value, &number) || number < 1 || number > 20) return *error = "--runs is 1 to 20", false;
      o->runs = static_cast<int>(number);
    } else if (arg == "--pending-installs") {
      if (!Number(value, &number)) return *error = "--pending-installs needs a number of milliseconds", false;
      o->pendingInstallsMs = number;
    } else if (arg == "--max-wait") {
      if (!Number(value, &number)) return *error = "--max-wait needs a number of milliseconds", false;
      o->maxWaitMs = number;
    } else {
      return *error = "unknown option " + arg, false;
    }
  }
  if (o->packageDir.empty()) return *error = "no package folder given", false;
  return true;
}

std::string LauncherCommandLine(const Options& options) {
  std::string line;
  for (const std::string& arg : options.launcherArgs) line += (line.empty() ? "" : " ") + arg;
  return line;
}

}  // namespace plan
