// The launcher's reads of the device enumeration trees and its searches for
// wizard windows, told as one line per pass: a pass over many keys is one
// line with its counts and what it found, the same on every release and
// whatever the number of devices.
//
// Found means, per device key read: whether it has an instance, whether an
// instance has "Class" (and "ClassGUID"), and below the DOT4 tree which
// instance has the product's setup class (GUIDUNDINF, compared without
// regard to case); and which wizard title is open.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace plan {

class DeviceScan {
 public:
  // The information file's VID_PID and GUIDUNDINF as the launcher reads them.
  DeviceScan(const std::string& hardwareIds, const std::string& setupClass);

  static bool IsDeviceKey(const std::string& key);  // below an enumeration tree

  void KeyOpened(const std::string& key, bool found);
  void SubkeyListed(const std::string& key, bool found);
  void ValueRead(const std::string& key, const std::string& name, bool found, const std::string& data);
  void WindowSearched(const std::string& title, bool found);

  bool empty() const { return roots_.empty() && windowSearches_ == 0; }
  bool onlyWindows() const { return roots_.empty() && windowSearches_ > 0; }
  // The line for what was read since the last Take; forgets it. `trees`:
  // the same per tree as a JSON array (texts as bytes of the code page).
  std::string Take(unsigned long* keysOpened, unsigned long* subkeysListed, unsigned long* valuesRead,
                   std::string* trees);
  unsigned long windowSearches() const { return windowSearches_; }
  const std::string& openWindow() const { return openWindow_; }
  // What the reads cover, for the wait that repeats them: "the device tree",
  // "the window list" or both.
  std::string Subject() const { return subject_; }

 private:
  struct Device {
    bool missing = false, instance = false, classSeen = false, classGuidSeen = false;
    std::string productClassAt;  // the instance whose ClassGUID is the product's
  };
  // Key names as the registry compares them: the launcher opens a device
  // key by the information file's spelling, and lists it by the registry's.
  struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  struct Root {
    std::string name;
    bool missing = false;
    unsigned long opened = 0, listed = 0, values = 0;
    std::vector<std::string> order;  // device keys in the order first read
    std::map<std::string, Device, NoCaseLess> devices;
    std::map<std::string, bool, NoCaseLess> classNamed;  // instance -> "Class" read there
  };
  Root& RootOf(const std::string& key, std::string* device, std::string* instance);
  std::string RootText(const Root& root, std::string* json) const;
  std::string ListedId(const std::string& device) const;

  std::vector<std::string> ids_;
  std::string setupClass_;
  std::vector<Root> roots_;
  unsigned long windowSearches_ = 0;
  std::string openWindow_;
  std::string subject_;
};

}  // namespace plan
