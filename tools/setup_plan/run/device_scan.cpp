#include "device_scan.h"

#include <algorithm>
#include <cctype>

#include "plan_text.h"
#include "recorder.h"

namespace plan {
namespace {

const char kNineXRoot[] = "HKLM\\ENUM\\";
const char kNtRoot[] = "HKLM\\SYSTEM\\CURRENTCONTROLSET\\ENUM\\";
// At most this many device keys are named per tree; the rest are counted.
const size_t kDevicesNamed = 4;

bool Begins(const std::string& upper, const char* prefix) { return upper.compare(0, std::string(prefix).size(), prefix) == 0; }

std::string Count(unsigned long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// JSON pieces; texts as the recorder's fields give them (bytes of the code page).
std::string Member(const char* name, const std::string& json) { return std::string(", \"") + name + "\": " + json; }
std::string Bool(bool b) { return b ? "true" : "false"; }
std::string Names(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + JsonString(n);
  return "[" + out + "]";
}

}  // namespace

bool DeviceScan::NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::toupper(x) < std::toupper(y);
  });
}

DeviceScan::DeviceScan(const std::string& hardwareIds, const std::string& setupClass) : setupClass_(setupClass) {
  for (const std::string& id : Split(hardwareIds, ","))
    if (!id.empty()) ids_.push_back(id);
}

bool DeviceScan::IsDeviceKey(const std::string& key) {
  const std::string k = Upper(key);
  return Begins(k, kNineXRoot) || k == "HKLM\\ENUM" || Begins(k, kNtRoot);
}

// The tree a key lies in ("HKLM\Enum\USB"), and its device and instance
// names below it ("" where the key is higher).
DeviceScan::Root& DeviceScan::RootOf(const std::string& key, std::string* device, std::string* instance) {
  const size_t depth = Begins(Upper(key), kNtRoot) ? 5 : 3;  // parts of the tree's own path
  const std::vector<std::string> parts = Split(key, "\\");
  std::string name = parts[0];
  for (size_t i = 1; i < depth && i < parts.size(); ++i) name += "\\" + parts[i];
  *device = parts.size() > depth ? parts[depth] : "";
  *instance = parts.size() > depth + 1 ? parts[depth + 1] : "";
  for (Root& r : roots_)
    if (Upper(r.name) == Upper(name)) return r;
  roots_.push_back(Root());
  roots_.back().name = name;
  return roots_.back();
}

void DeviceScan::KeyOpened(const std::string& key, bool found) {
  std::string device, instance;
  Root& root = RootOf(key, &device, &instance);
  if (found) root.opened += 1;
  if (device.empty()) {
    root.missing = root.missing || !found;
    return;
  }
  if (!root.devices.count(device)) root.order.push_back(device);
  Device& d = root.devices[device];
  if (instance.empty()) d.missing = !found;
}

void DeviceScan::SubkeyListed(const std::string& key, bool found) {
  std::string device, instance;
  Root& root = RootOf(key, &device, &instance);
  if (!found) return;
  root.listed += 1;
  if (!device.empty() && instance.empty()) {
    if (!root.devices.count(device)) root.order.push_back(device);
    root.devices[device].instance = true;
  }
}

void DeviceScan::ValueRead(const std::string& key, const std::string& name, bool found, const std::string& data) {
  std::string device, instance;
  Root& root = RootOf(key, &device, &instance);
  if (found) root.values += 1;
  if (device.empty() || instance.empty()) return;
  if (!root.devices.count(device)) root.order.push_back(device);
  Device& d = root.devices[device];
  const std::string value = Upper(name);
  if (value == "CLASS" && found) {
    d.classSeen = true;
    root.classNamed[device + "\\" + instance] = true;
  } else if (value == "CLASSGUID") {
    if (found && root.classNamed.count(device + "\\" + instance)) d.classGuidSeen = true;
    // An absent value reads as empty, as the launcher's emptied buffer does.
    const std::string text = found ? data.substr(0, data.find('\0')) : "";
    if (d.productClassAt.empty() && Upper(text) == Upper(setupClass_)) d.productClassAt = instance;
  }
}

void DeviceScan::WindowSearched(const std::string& title, bool found) {
  windowSearches_ += 1;
  if (found && openWindow_.empty()) openWindow_ = title;
}

// The first listed id a device key's name holds, for the line.
std::string DeviceScan::ListedId(const std::string& device) const {
  for (const std::string& id : ids_)
    if (Upper(device).find(Upper(id)) != std::string::npos) return " (listed id " + id + ")";
  return "";
}

std::string DeviceScan::RootText(const Root& root, std::string* json) const {
  *json = "{\"tree\": " + JsonString(root.name) + Member("missing", Bool(root.missing));
  if (root.missing) return *json += "}", root.name + " missing";
  *json += Member("subkeysListed", std::to_string(root.listed)) + Member("keysOpened", std::to_string(root.opened)) +
           Member("valuesRead", std::to_string(root.values));
  std::string text = root.name + " (" + Count(root.listed, "subkey listed", "subkeys listed") + ", " +
                     Count(root.opened, "key opened", "keys opened") + ", " +
                     Count(root.values, "value read", "values read") + ")";
  const bool dot4 = EndsWithNoCase(root.name, "\\DOT4PRT");
  std::string found, missing, productClass, devicesJson;
  std::vector<std::string> missingNames;
  size_t named = 0, missed = 0;
  for (const std::string& name : root.order) {
    const Device& d = root.devices.at(name);
    if (dot4) {
      if (productClass.empty() && !d.productClassAt.empty()) productClass = name + "\\" + d.productClassAt;
    } else if (d.missing) {
      if (++missed <= kDevicesNamed) missing += (missing.empty() ? "" : ", ") + name, missingNames.push_back(name);
    } else if (++named <= kDevicesNamed) {
      std::string id = ListedId(name);
      devicesJson += std::string(devicesJson.empty() ? "" : ", ") + "{\"key\": " + JsonString(name) +
                     Member("listedId", id.empty() ? "null" : JsonString(id.substr(12, id.size() - 13))) +
                     Member("instance", Bool(d.instance)) + Member("class", Bool(d.classSeen)) +
                     Member("classGuid", Bool(d.classGuidSeen)) + "}";
      std::string what = d.instance ? id + " has an instance" : " has no instance";
      if (d.classSeen) what += d.classGuidSeen ? ", with Class and ClassGUID" : ", one with Class but no ClassGUID";
      found += (found.empty() ? "" : "; ") + name + what;
    }
  }
  if (named > kDevicesNamed) found += "; and " + std::to_string(named - kDevicesNamed) + " more device keys";
  if (missed > kDevicesNamed) missing += " and " + std::to_string(missed - kDevicesNamed) + " more";
  if (missed) found += (found.empty() ? "" : "; ") + std::string("missing: ") + missing;
  if (!dot4 && found.empty()) {
    std::string ids;
    for (const std::string& id : ids_) ids += (ids.empty() ? "" : ", ") + id;
    found = ids.empty() ? "VID_PID lists no hardware id" : "no key names a listed id (" + ids + ")";
  }
  if (dot4 && !setupClass_.empty())
    found = productClass.empty() ? "no instance has the product's class " + setupClass_
                                 : productClass + " has the product's class " + setupClass_;
  if (!dot4)
    *json += Member("deviceKeys", "[" + devicesJson + "]") +
             Member("moreDeviceKeys", std::to_string(named > kDevicesNamed ? named - kDevicesNamed : 0)) +
             Member("missingKeys", Names(missingNames)) +
             Member("moreMissingKeys", std::to_string(missed > kDevicesNamed ? missed - kDevicesNamed : 0));
  else
    *json += Member("productClassAt", productClass.empty() ? "null" : JsonString(productClass));
  if (dot4 && setupClass_.empty())
    found = productClass.empty() ? "every instance has a ClassGUID, and GUIDUNDINF is empty"
                                 : productClass + " has no ClassGUID, which an empty GUIDUNDINF matches";
  *json += "}";
  return text + (found.empty() ? "" : ": " + found);
}

std::string DeviceScan::Take(unsigned long* keysOpened, unsigned long* subkeysListed, unsigned long* valuesRead,
                             std::string* trees) {
  std::string text, tree;
  *keysOpened = *subkeysListed = *valuesRead = 0;
  *trees = "[";
  for (const Root& root : roots_) {
    text += (text.empty() ? "" : "; ") + RootText(root, &tree);
    *trees += (trees->size() > 1 ? ", " : "") + tree;
    *keysOpened += root.opened;
    *subkeysListed += root.listed;
    *valuesRead += root.values;
  }
  if (windowSearches_) {
    text += (text.empty() ? "" : "; ") + Count(windowSearches_, "wizard title", "wizard titles") + " looked for: " +
            (openWindow_.empty() ? "no such window is open" : "the window \"" + openWindow_ + "\" is open");
  }
  *trees += "]";
  const std::string opening = roots_.empty() ? "looks for a new-hardware wizard: " : "reads the device tree: ";
  subject_ = roots_.empty() ? "the window list" : windowSearches_ ? "the device tree and the window list" : "the device tree";
  roots_.clear();
  windowSearches_ = 0;
  openWindow_.clear();
  return opening + text;
}

}  // namespace plan
