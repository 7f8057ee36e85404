#include <gtest/gtest.h>

#include <string>

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
}

}  // namespace
