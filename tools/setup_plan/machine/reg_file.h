// Reading registry export files (.reg) in the two forms Windows writes:
// "REGEDIT4" (ANSI text, as 98 and Me export) and "Windows Registry Editor
// Version 5.00" (UTF-16LE with a byte-order mark, as 2000 and XP export).
// Lines may end in CRLF or LF; a line ending in a backslash goes on in the
// next line; keys "[...]" and "[-...]", values "name"=..., @=..., "name"=-.
//
// Text is turned into the bytes the ANSI registry calls would see in the
// posed code page (sim::AnsiCodePage, read at parse time); the multibyte
// routines must already follow that code page (AfxInitApplicationContext).
#pragma once

#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace plan {

struct RegOperation {
  enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
  Kind kind;
  std::string key;   // below HKEY_LOCAL_MACHINE, or "HKCU\..." (sim.h paths)
  std::string name;  // value name; empty for the default value "@"
  DWORD type = REG_NONE;
  std::string data;  // the bytes RegQueryValueExA would return
  int line = 0;      // first line of the entry in the file
};

struct RegFile {
  // Each operation as it is read: handed to `sink` when one is set (a
  // whole-machine export is then never held twice), kept otherwise.
  std::function<void(const RegOperation&)> sink;
  std::vector<RegOperation> operations;
  void Add(RegOperation op) {
    if (sink) sink(op);
    else operations.push_back(std::move(op));
  }
  // Findings in compiler form: "<file>:<line>: error: <what>" (or warning).
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};

// Parses the whole file content into `file` (its sink set or not);
// `fileName` only names it in findings.
void ParseRegFile(const std::string& content, const std::string& fileName, RegFile* file);
void ParseRegFile(std::istream& in, const std::string& fileName, RegFile* file);
RegFile ParseRegFile(const std::string& content, const std::string& fileName);

// Carries one operation, or the kept ones in file order, out on the
// simulated registry.
void ApplyRegOperation(const RegOperation& op);
void ApplyRegFile(const RegFile& file);

}  // namespace plan
