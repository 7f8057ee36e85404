// Why a run took its road: the records the launcher looked for, named as
// InstallInfo.ini names them, and which it found; and, when the maintenance
// dialog's Uninstall started nothing, which hop failed.
#pragma once

#include <string>
#include <vector>

#include "recorder.h"

namespace plan {

struct RoadRecords {
  std::string registryPath;  // [INSTALL_INFO] RegistryPath as the launcher reads it
  std::string pdiEntry;      // [INSTALL_INFO] PDIENTRY
  std::string releaseName;
  bool uninstallChosen = false;
};

// One entry per record that decided something ("kind" is the record:
// "instance-event", "earlier-edition", "installed", "release", "uninstall").
std::vector<Effect> RoadReasons(const Recorder& recorder, const RoadRecords& records, const std::string& road);

}  // namespace plan
