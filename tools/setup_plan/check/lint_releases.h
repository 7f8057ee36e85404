// What the checker says about releases, found by running the launcher's own
// code (the plan) on every release the simulator poses, in a few machine
// states, rather than from a table kept by hand.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "options.h"

namespace plan {

struct ReleaseTrace {
  std::vector<std::string> supported;  // releases where some run took a road of its own
  // Upper-case path below the package -> situation -> releases where the
  // launcher started or copied that file.
  std::map<std::string, std::map<int, std::vector<std::string>>> uses;
  std::map<std::string, std::string> verbs;  // same key -> "starts" or "copies"
  bool reference = false;  // the package's own InstallInfo.ini stops every run: a usable one was put in
};

// Runs the plan on each release with `files` (paths below the package, with
// their leading backslash) present, stubs standing in for missing ones.
ReleaseTrace TraceReleases(const Options& options, const std::vector<std::string>& files);

// "the launcher starts it on Windows 98 and 98 Second Edition (without the
// device, with the device plugged in)", or that no run used it.
std::string DescribeUse(const ReleaseTrace& trace, const std::string& file);

// "Windows 98, 98 Second Edition and Me".
std::string JoinReleases(const std::vector<std::string>& names);

}  // namespace plan
