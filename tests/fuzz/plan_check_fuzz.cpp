// Fuzz target: InstallInfo.ini as `setup-plan --check` reads it, in a
// package that holds every other file (so the checker runs no plan). Input:
// code page byte, then the file's bytes. Every finding has a known code, a
// place in the file and one line; they come sorted by file and line.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <vector>

#include "lint.h"
#include "lint_codes.h"
#include "plan_fuzz.h"

using planfuzz::Require;

namespace {

// A package folder of the host with every file the launcher may use.
std::string PackageFolder() {
  static std::string folder;
  if (!folder.empty()) return folder;
  char name[] = "/tmp/plan-check-fuzz-XXXXXX";
  folder = mkdtemp(name);
  mkdir((folder + "/Install").c_str(), 0755);
  mkdir((folder + "/Util").c_str(), 0755);
  for (const char* file : {"Install/Setup.exe", "Util/CloseDlg.exe", "Util/OemAdv07.exe", "Util/OemHlt07.exe",
                           "Cleanup.exe", "msvcp60.dll", "mfc42.dll"})
    std::ofstream(folder + "/" + file) << "MZ";
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const int kCodePages[] = {1252, 932, 936, 949, 1250, 1251};
  plan::Options options;
  options.packageDir = PackageFolder();
  options.codePage = kCodePages[data[0] % 6];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::ofstream(options.packageDir + "/InstallInfo.ini", std::ios::binary | std::ios::trunc) << text;
  std::vector<plan::Finding> findings;
  std::string error;
  Require(plan::LintPackage(options, &findings, &error), "the package cannot be looked at: " + error);
  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  int lastLine = -1;
  for (const plan::Finding& f : findings) {
    Require(plan::FindCode(f.code) != nullptr, "a finding without a known code: " + f.what);
    Require(f.what.find('\n') == std::string::npos, "a finding of several lines: " + f.what);
    const size_t colon = f.where.rfind(':');
    Require(f.where.substr(0, colon) == "InstallInfo.ini", "a finding about another file: " + f.where);
    const int line = std::stoi(f.where.substr(colon + 1));
    Require(line >= 0 && static_cast<size_t>(line) <= lines, "a finding past the file's end: " + f.where);
    Require(f.note || line >= lastLine, "findings out of line order at " + f.where);
    lastLine = f.note ? lastLine : line;
  }
  return 0;
}
