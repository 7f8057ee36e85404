// Waits that poll an unchanging machine, passed over at once.
//
// The launcher's settling waits sleep and look again, without end, until the
// machine changes. A cycle is what the launcher does from one pause to the
// next. When two cycles in a row make the same calls with the same
// arguments, take the same time, only read, and nothing is scheduled to
// change the machine before a later cycle would end, every cycle up to that
// change is the same again: the clock passes over them in one step, and the
// plan runs the last ones for real. So a wait of a virtual week on a large
// machine costs a few cycles of time and no memory per cycle.
#pragma once

#include <cstdint>

#include "sim.h"

namespace plan {

class PollSkip {
 public:
  // Called with each call as the launcher makes it; at a pause of a steady
  // poll, returns how many whole cycles may be passed over before the pause
  // while the clock stays short of `horizon` (the next change or the end of
  // the plan's patience), and their length in `cycleMs`.
  unsigned long OnCall(const sim::Call& call, DWORD horizon, DWORD* cycleMs);

 private:
  struct Cycle {
    uint64_t digest = 0;
    size_t calls = 0;
    DWORD length = 0;
    bool readsOnly = false;
  };
  bool started_ = false;  // a pause began the current cycle
  DWORD cycleStart_ = 0;
  Cycle current_;
  Cycle previous_;
};

}  // namespace plan
