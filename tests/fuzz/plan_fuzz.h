// Shared ground of the fuzz targets of setup-plan's readers (plan_*_fuzz):
// they link the tool's library rather than the launcher's fuzz machine.
// The first input byte picks the posed code page.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/framework.h"
#include "sim.h"

namespace planfuzz {

// A fresh simulated machine reading text in one of the four code pages.
inline int PoseCodePage(uint8_t selector) {
  static const int kCodePages[] = {1252, 932, 936, 949};
  const int codePage = kCodePages[selector % 4];
  sim::Reset();
  sim::SetAnsiCodePage(codePage);
  AfxInitApplicationContext();
  return codePage;
}

// Fails the run with `what` (libFuzzer reports the input) when `condition` is false.
inline void Require(bool condition, const std::string& what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what.c_str());
  std::abort();
}

}  // namespace planfuzz
