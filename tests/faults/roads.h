// The launcher's roads, each as a machine to set up and a command line, with
// what the road may do to the machine at most: the programs it may start
// and the files it may delete. The fault driver runs each road with every
// platform call failing in turn and holds every run to these bounds.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "sim.h"

namespace faults {

struct Road {
  std::string name;
  std::function<void()> prepare;  // on a machine just reset
  std::string commandLine;
  // Full paths, compared without regard to case.
  std::set<std::string> programs;
  std::set<std::string> deletable;
  // Whether a run without faults took this road (what the user or the
  // waiting program sees at its end).
  std::function<bool()> tookRoad;
};

const char kDone[] = "HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}";
const char kInstanceEvent[] = "PdiSetup";

std::vector<Road> AllRoads();

// Upper-cased copy, for comparing paths as Windows does.
std::string Folded(const std::string& path);

}  // namespace faults
