#include "road_reasons.h"

#include "plan_text.h"
#include "records/records.h"
#include "sim.h"

namespace plan {
namespace {

std::string Below(const std::string& path) { return path.empty() ? "HKLM" : "HKLM\\" + path; }

// The first lookup of `function` on `key` (and value `name`) at or after `from`; -1 if none.
int Find(const std::vector<Lookup>& lookups, const std::string& function, const std::string& key,
         const std::string& name = "", size_t from = 0) {
  for (size_t i = from; i < lookups.size(); ++i) {
    const Lookup& l = lookups[i];
    if (l.function == function && Upper(l.key) == Upper(key) && Upper(l.name) == Upper(name)) return static_cast<int>(i);
  }
  return -1;
}

Effect Reason(const std::string& record, const std::string& text, Fields fields) {
  return Effect{record, 0, record + ": " + text, std::move(fields)};
}

// A test the launcher never made: the road ended before it.
void NotReached(const std::string& record, std::vector<Effect>* out) {
  out->push_back(Reason(record, "not reached", {JBool("reached", false)}));
}

// The earlier editions' keys: a subkey under either refuses installation.
void EarlierEdition(const std::vector<Lookup>& lookups, std::vector<Effect>* out) {
  std::string keys, found;
  bool looked = false, any = false;
  for (const char* path : records::kEarlierEditionKeys) {
    const std::string key = Below(path);
    keys += (keys.empty() ? "" : " or ") + key;
    const int open = Find(lookups, "RegOpenKeyExA", key);
    if (open < 0) continue;
    looked = true;
    const int list = Find(lookups, "RegEnumKeyExA", key, "0", open);
    const bool subkey = list >= 0 && lookups[list].found;
    any = any || subkey;
    found += (found.empty() ? "" : ", ") + key + (!lookups[open].found ? " missing" : subkey ? " has one" : " has none");
  }
  if (!looked) return NotReached("earlier-edition", out);
  out->push_back(Reason("earlier-edition", "needs a subkey under " + keys + "; " + found,
                        {JBool("found", any)}));
}

void Installed(const std::vector<Lookup>& lookups, const RoadRecords& r, bool reached, std::vector<Effect>* out) {
  const std::string product = Below(r.registryPath);
  const std::string marker = r.pdiEntry + records::kInstalledMarkerSuffix;
  const std::string maker = Below(records::kMakerKeyPrefix + r.pdiEntry);
  const int open = Find(lookups, "RegOpenKeyExA", product);
  const int query = Find(lookups, "RegQueryValueExA", product, marker);
  if (r.registryPath.empty() && reached) {
    out->push_back(Reason("installed", "RegistryPath is empty: there is no product key, so no record of an installed "
                                       "product (nothing is read at the root of HKLM)",
                          {JBool("markerFound", false), JBool("makerKeyFound", false)}));
    return;
  }
  if (open < 0 && query < 0) return NotReached("installed", out);
  const bool markerFound = query >= 0 && lookups[query].found;
  const int makerOpen = Find(lookups, "RegOpenKeyExA", maker, "", query < 0 ? 0 : query);
  const bool makerFound = makerOpen >= 0 && lookups[makerOpen].found;
  std::string found;
  if (markerFound && makerFound) found = "found both";
  else if (markerFound && makerOpen >= 0) found = "found the first, not the second";
  else if (markerFound) found = "found the first; the second was not looked for";
  else if (open >= 0 && !lookups[open].found) found = "found neither: the key " + product + " is missing";
  else found = "found the key " + product + " without the value, so the second was not looked for";
  out->push_back(Reason("installed",
                        "needs the value " + marker + " (<PDIENTRY>KEY) under " + product +
                            " (<RegistryPath>) and the key " + maker + " (Software\\Corvale\\<PDIENTRY>); " + found,
                        {JText("marker", marker), JText("productKey", product), JText("makerKey", maker),
                         JBool("markerFound", markerFound), JBool("makerKeyFound", makerFound)}));
}

// The two registry hops from the product key to the uninstall command, and
// the program it names.
void Uninstall(const std::vector<Lookup>& lookups, const RoadRecords& r, std::vector<Effect>* out) {
  const std::string product = Below(r.registryPath);
  const std::string entries = Below(records::kUninstallKey);
  const std::string needs = "needs InstalledDevices under " + product + " (<RegistryPath>), the entry its second field "
                            "names under " + entries + ", and its UninstallString; ";
  std::string why;
  bool started = false;
  const int devices = Find(lookups, "RegQueryValueExA", product, records::kInstalledDevicesValue);
  if (r.registryPath.empty()) {
    why = "RegistryPath is empty: no key is opened, nothing starts";
  } else if (devices < 0) {
    int open = -1;
    for (int at = Find(lookups, "RegOpenKeyExA", product); at >= 0; at = Find(lookups, "RegOpenKeyExA", product, "", at + 1))
      open = at;
    why = open >= 0 && !lookups[open].found ? "the key " + product + " is missing: nothing starts"
                                            : "InstalledDevices could not be read: nothing starts";
  } else if (!lookups[devices].found) {
    why = "no InstalledDevices under " + product + ": nothing starts";
  } else {
    int entry = -1;
    for (size_t i = devices; i < lookups.size() && entry < 0; ++i)
      if (lookups[i].function == "RegOpenKeyExA" && Upper(lookups[i].key).compare(0, entries.size() + 1, Upper(entries) + "\\") == 0)
        entry = static_cast<int>(i);
    const std::string key = entry >= 0 ? lookups[entry].key : "";
    const int command = entry >= 0 ? Find(lookups, "RegQueryValueExA", key, records::kUninstallStringValue, entry) : -1;
    int start = -1;
    for (size_t i = devices; i < lookups.size() && start < 0; ++i)
      if (lookups[i].function == "CreateProcessA") start = static_cast<int>(i);
    if (entry < 0) why = "InstalledDevices names no uninstall entry (no second comma-separated field, or one too long): nothing starts";
    else if (!lookups[entry].found) why = "no uninstall entry " + key + ": nothing starts";
    else if (command < 0 || !lookups[command].found) why = "no readable UninstallString under " + key + ": nothing starts";
    else if (start < 0 || !lookups[start].found) {
      const std::string text = sim::GetValue(key, records::kUninstallStringValue);
      why = "the program of \"" + text.substr(0, text.find('\0')) + "\" is not found: nothing starts";
    } else {
      started = true;
      why = "found all; starts " + lookups[start].key;
    }
  }
  out->push_back(Reason("uninstall", needs + why, {JBool("started", started)}));
}

}  // namespace

std::vector<Effect> RoadReasons(const Recorder& recorder, const RoadRecords& r, const std::string& road) {
  std::vector<Effect> out;
  const std::vector<Lookup>& lookups = recorder.lookups();
  const RoadSigns& signs = recorder.signs();
  if (!signs.instanceEventCreated) {
    out.push_back(Reason("information-file", "the launcher folder, InstallInfo.ini or its PDIENTRY cannot name the records",
                         {JText("pdiEntry", r.pdiEntry)}));
    return out;
  }
  const std::string event = r.pdiEntry + records::kInstanceEventSuffix;
  out.push_back(Reason("instance-event", "\"" + event + "\" (<PDIENTRY>Setup) " +
                                             (signs.anotherCopy ? "is held by another copy" : "is held by no other copy"),
                       {JText("name", event), JBool("found", signs.anotherCopy)}));
  // Then in the launcher's order: earlier edition, installed product, release.
  const bool gatesReached = !signs.anotherCopy;
  if (gatesReached) EarlierEdition(lookups, &out);
  else NotReached("earlier-edition", &out);
  Installed(lookups, r, gatesReached && !signs.caution, &out);
  if (road == "unsupported" || road == "installation")
    out.push_back(Reason("release", r.releaseName + (road == "unsupported" ? " is not supported" : " is supported"),
                         {JText("release", r.releaseName), JBool("supported", road != "unsupported")}));
  else
    NotReached("release", &out);
  if (r.uninstallChosen && signs.dialog) Uninstall(lookups, r, &out);
  return out;
}

}  // namespace plan
