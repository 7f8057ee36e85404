#include <gtest/gtest.h>

#include "records/os_version.h"
#include "sim.h"

namespace {

struct Row {
  DWORD platform, major, minor, build;
  DWORD kind;
};

class OsVersionTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  DWORD Classify(const Row& r) {
    sim::SetVersion(r.platform, r.major, r.minor, r.build, "");
    OsVersionRecord record;
    ClassifyWindowsVersion(record);
    return record.kind;
  }
};

TEST_F(OsVersionTest, KindTableWithBuildBoundaries) {
  const Row rows[] = {
      {1, 4, 0, 0x040003B6, OS_WIN95},   {1, 4, 0, 0x04000BB8, OS_WIN95},   // 95: build never looked at
      {1, 4, 10, 0x040A07CE, OS_WIN98},  {1, 4, 10, 2221, OS_WIN98},        // below 2222
      {1, 4, 10, 0x040A08AE, OS_WIN98SE}, {1, 4, 10, 2999, OS_WIN98SE},     // 2222..2999
      {1, 4, 90, 0x045A0BB8, OS_WINME},  {1, 4, 10, 3000, OS_WINME},        // 3000 and up, minor not compared
      {1, 4, 90, 1998, OS_WIN98},                                            // Me's minor with a 98 build
      {1, 4, 10, 0xFFFF08AE, OS_WIN98SE},                                    // high word masked off
      {2, 4, 0, 1381, OS_NT_OTHER},      {2, 3, 51, 1057, OS_NT_OTHER},
      {2, 5, 0, 2195, OS_WIN2000},       {2, 5, 1, 2600, OS_WINXP},         {2, 5, 2, 3790, OS_WINXP},
      {2, 6, 0, 6000, OS_NT_OTHER},      {2, 10, 0, 19045, OS_NT_OTHER},
      {0, 1, 30, 0, OS_WIN32S},
  };
  for (const Row& r : rows)
    EXPECT_EQ(Classify(r), r.kind) << "platform " << r.platform << " " << r.major << "." << r.minor << " build "
                                   << r.build;
}

TEST_F(OsVersionTest, UnknownPlatformGetsNoSupportedKind) {
  DWORD kind = Classify({3, 5, 1, 2600, 0});
  EXPECT_FALSE(kind >= 2 && kind <= 9);
}

TEST_F(OsVersionTest, RecordKeepsWhatWasReported) {
  sim::SetVersion(1, 4, 10, 0x040A07CE, " A ");
  OsVersionRecord record;
  memset(&record, 0x5A, sizeof record);
  ClassifyWindowsVersion(record);
  EXPECT_EQ(record.size, 148u);
  EXPECT_EQ(record.majorVersion, 4u);
  EXPECT_EQ(record.minorVersion, 10u);
  EXPECT_EQ(record.buildNumber, 0x040A07CEu);  // unmasked
  EXPECT_EQ(record.kind, static_cast<DWORD>(OS_WIN98));
  EXPECT_EQ(record.reserved, 0xFFFFFFFFu);
  EXPECT_STREQ(record.servicePack, " A ");

  OsVersionRecord again;
  memset(&again, 0, sizeof again);
  ClassifyWindowsVersion(again);
  EXPECT_EQ(0, memcmp(&record, &again, sizeof record));
  EXPECT_EQ(sim::CallCount("GetVersionExA"), 2);
}

TEST_F(OsVersionTest, FailedQueryLeavesATerminatedEmptyRecordAndNoSupportedKind) {
  sim::FailCall("GetVersionExA", 1);
  OsVersionRecord record;
  memset(&record, 0x5A, sizeof record);
  ClassifyWindowsVersion(record);
  EXPECT_FALSE(IsSupportedKind(record.kind));
  EXPECT_EQ(record.kind, static_cast<DWORD>(OS_UNKNOWN));
  EXPECT_STREQ(record.servicePack, "");
  EXPECT_EQ(record.reserved, 0xFFFFFFFFu);
}

}  // namespace
