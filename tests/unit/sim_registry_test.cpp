#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "sim.h"

namespace {

std::string NameAt(HKEY key, DWORD index) {
  char name[64];
  DWORD length = sizeof name;
  if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return "<end>";
  return name;
}

// Walking indexes in order is served from the handle's last position; any
// other access, or a change of the key's subkeys, must still give the
// enumeration that a fresh walk would.
TEST(SimRegistry, EnumerationStaysRightAcrossChangesAndOutOfOrderIndexes) {
  sim::Reset();
  for (const char* name : {"b", "d", "f"}) sim::CreateKey(std::string("Root\\") + name);
  ScopedRegKey root;
  ASSERT_TRUE(root.Open(HKEY_LOCAL_MACHINE, "Root", KEY_READ));
  EXPECT_EQ(NameAt(root.get(), 0), "b");
  EXPECT_EQ(NameAt(root.get(), 1), "d");
  sim::CreateKey("Root\\c");  // lands between b and d
  EXPECT_EQ(NameAt(root.get(), 2), "d");
  EXPECT_EQ(NameAt(root.get(), 1), "c");
  EXPECT_EQ(NameAt(root.get(), 1), "c");
  sim::DeleteKey("Root\\d");
  EXPECT_EQ(NameAt(root.get(), 2), "f");
  EXPECT_EQ(NameAt(root.get(), 3), "<end>");
  EXPECT_EQ(NameAt(root.get(), 0), "b");
  sim::DeleteKey("Root");
  EXPECT_EQ(NameAt(root.get(), 1), "<end>");
  // Past the count from which subkeys are indexed and across their chunks,
  // names inside a key's entry (up to 6 bytes) and longer: found in any
  // letter case, enumerated in order, a deleted one gone from both.
  std::set<std::string> names;
  for (int i = 0; i < 600; ++i) names.insert((i % 2 ? "k" : "LongerName") + std::to_string(i));
  for (const std::string& name : names) sim::CreateKey("Many\\" + name);
  for (const char* gone : {"k1", "LONGERNAME300"}) sim::DeleteKey(std::string("Many\\") + gone);
  names.erase("k1");
  names.erase("LongerName300");
  EXPECT_TRUE(sim::KeyExists("many\\LONGERNAME598") && sim::KeyExists("MANY\\K599"));
  EXPECT_FALSE(sim::KeyExists("Many\\k1") || sim::KeyExists("Many\\LongerName300"));
  ScopedRegKey many;
  ASSERT_TRUE(many.Open(HKEY_LOCAL_MACHINE, "Many", KEY_READ));
  std::vector<std::string> listed;
  for (DWORD i = 0; NameAt(many.get(), i) != "<end>"; ++i) listed.push_back(NameAt(many.get(), i));
  std::vector<std::string> expected(names.begin(), names.end());  // "k..." before "L...", as upper-cased
  std::stable_partition(expected.begin(), expected.end(), [](const std::string& n) { return n[0] == 'k'; });
  EXPECT_EQ(listed, expected);
}

std::vector<std::string> ValueNames(const std::string& path) {
  for (const sim::KeyContents& key : sim::RegistryContents())
    if (key.path == path) return key.valueNames;
  return {};
}

// Values past the count from which a key indexes them and across the chunks
// they are kept in: each found in any letter case, one set again keeps its
// place, one deleted leaves the rest in order, down to a few again.
TEST(SimRegistry, ManyValuesKeepTheirOrderAndAreFoundInAnyCase) {
  sim::Reset();
  std::vector<std::string> names;
  for (int i = 0; i < 600; ++i) {
    names.push_back("v" + std::to_string(i));
    sim::SetString("K", names.back(), std::to_string(i));
  }
  sim::SetString("K", "V5", "again");
  for (const char* gone : {"v1", "V300"}) sim::DeleteValue("K", gone);
  names.erase(names.begin() + 300);
  names.erase(names.begin() + 1);
  EXPECT_EQ(ValueNames("K"), names);
  EXPECT_EQ(sim::GetValue("K", "v5"), std::string("again\0", 6));
  EXPECT_EQ(sim::GetValue("K", "V599"), std::string("599\0", 4));
  EXPECT_FALSE(sim::ValueExists("K", "v300"));
  while (names.size() > 3) {
    sim::DeleteValue("K", names.front());
    names.erase(names.begin());
  }
  EXPECT_EQ(ValueNames("K"), (std::vector<std::string>{"v597", "v598", "v599"}));
  EXPECT_EQ(sim::GetValue("K", "V598"), std::string("598\0", 4));
}

}  // namespace
