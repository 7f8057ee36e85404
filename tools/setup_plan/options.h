// setup-plan's command line.
//
//   setup-plan [options] PACKAGE_DIR [-- LAUNCHER_ARGS...]
//   setup-plan --check [--json] [--codepage N] [--location WINPATH] PACKAGE_DIR
//   setup-plan --help | -h
//
// ParseOptions fills Options or gives an error line for the user. Errors
// about an argument are given as "<command line>:N: error: ...", N counting
// the arguments after the program name from 1, so that every error line
// setup-plan prints starts with a place, as a compiler's do.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace plan {

// The virtual clock counts milliseconds in 32 bits, as GetTickCount does: a
// plan follows it up to 2^31 - 1 ms (about 24.8 days) from the machine's
// start, and every time given in the options stays within that, so that no
// sum of a time and a wait passes the end of the count.
const unsigned long kMaxVirtualMs = 2147483647;

// A .reg file applied when something happens: a program named by its path
// (relative to the package, or a full Windows path) starts, or the virtual
// clock reaches a time.
struct Trigger {
  std::string program;  // empty for a timed change
  unsigned long atMs = 0;
  std::string regFile;
  int place = 0;  // the argument that gave it
};

struct ProgramTime {
  std::string program;
  unsigned long runsForMs = 0;
  int place = 0;
};

enum class Choice { kCancel, kUninstall, kAddDevice };

struct Options {
  bool help = false;
  bool check = false;
  std::string explain;                     // --explain CODE: the code to explain
  bool json = false;
  bool outcome = false;                    // print the outcome, not the effects
  std::string compareWith;                 // a file of observed outcome lines
  bool matrix = false;                     // --matrix: every release in every state (matrix/)
  std::string cell;                        // --cell RELEASE:STATE=DIR
  std::string update;                      // --update FILE: the matrix's outcome written
  std::string expect;                      // --expect FILE: ... compared
  std::string codePages;                   // --codepages 1252,932: the matrix in each
  std::vector<std::string> machines;       // --machine NAME=FILE.reg: a state of the builder's own
  std::string html;                        // --html FILE: the matrix as a page
  std::string release = "winxp";
  int codePage = 1252;
  std::string packageDir;                  // on the host
  std::string location = "C:\\Package";    // where the package lies on the simulated machine
  std::string currentFolder;               // the folder the launcher is started in
  std::string windowsFolder;               // instead of the release's own (C:\WINDOWS, C:\WINNT)
  std::string systemFolder;                // instead of the release's own (SYSTEM, system32)
  std::vector<std::string> regFiles;       // the machine's registry
  std::vector<std::string> windows;        // titles of open top-level windows
  std::vector<std::string> hungWindows;    // ... of windows whose program takes no messages
  std::vector<std::string> printers;       // NAME or NAME=DRIVER
  std::string infDir;                      // host folder copied into the Windows INF folder
  std::vector<std::string> programs;       // extra programs (full Windows paths) that exist
  std::vector<std::string> files;          // WINPATH or WINPATH=HOSTFILE: other files on the machine
  std::vector<std::string> events;         // named events another program holds
  std::vector<std::string> heldFiles;      // files another program holds open, sharing nothing
  std::vector<Trigger> triggers;
  std::vector<ProgramTime> durations;
  Choice choice = Choice::kCancel;
  int runs = 1;
  std::string stateFile;                   // registry read before and written after the runs
  bool waiter = true;                      // a program holds the completion event
  bool limitedUser = false;                // not an administrator (2000, XP): no writes below HKLM
  unsigned long spoolerStopMs = 0;          // how long "net stop spooler" runs
  unsigned long pendingInstallsMs = 0;      // Windows installs devices until then (2000, XP)
  unsigned long maxWaitMs = 3600000;       // virtual time after which a run is abandoned
  std::vector<std::string> launcherArgs;
  std::vector<std::string> arguments;      // as given, for the places of errors
  std::map<std::string, int> places;       // option -> the argument it was first given as (1, 2, ...)
};

// The usage, every option, the releases and how to describe a machine.
extern const char kHelp[];

// "<command line>:N: error: WHAT", N the place of the first argument equal to
// `value` (of the option that gave it), or 0 when no argument is.
std::string ArgumentError(const Options& options, const std::string& value, const std::string& what);

// "<command line>:N: error: WHAT" for the N-th argument.
std::string PlaceError(int place, const std::string& what);

// `text` with every byte that is not printable ASCII written as \xNN.
std::string Printable(const std::string& text);

// True when the arguments are usable; otherwise `error` says why.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error);

// "<command line>:N: error: WHAT", N the place where `option` was first given.
std::string OptionError(const Options& options, const std::string& option, const std::string& what);

// "<command line>:N: error: WHAT" for the value of `option`: the argument
// after the one that first gave it. Every error about a value points at the
// value, every error about an option given (twice, or beside another) at it.
std::string ValueError(const Options& options, const std::string& option, const std::string& what);

// True when the options given make sense together (options_check.cpp):
// no single-valued option twice, --check and --json only with what they
// use, full Windows paths where one is needed; otherwise `error` says why.
bool CheckOptionsTogether(const Options& options, std::string* error);

// The launcher's command line as the framework hands it over: the arguments
// after the program name, joined by blanks.
std::string LauncherCommandLine(const Options& options);

}  // namespace plan
