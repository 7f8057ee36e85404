#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/wizard_watch.h"
#include "sim.h"

namespace {

std::string Hex(const char* hex) {
  std::string bytes;
  for (const char* p = hex; *p; p += (p[2] ? 3 : 2)) bytes += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
  return bytes;
}

struct Title {
  int codePage;  // 0: plain ASCII
  std::string bytes;
};

// The wizard titles in search order, from their byte table.
const std::vector<Title>& Titles() {
  static const std::vector<Title> titles = {
      {0, "Add New Hardware Wizard"},
      {0, "Add Printer Wizard"},
      {0, "Found New Hardware"},
      {932, Hex("90 56 82 B5 82 A2 83 6E 81 5B 83 68 83 45 83 46 83 41 82 CC 92 C7 89 C1 83 45 83 42 83 55 81 5B 83 68")},
      {932, Hex("90 56 82 B5 82 A2 83 6E 81 5B 83 68 83 45 83 46 83 41")},
      {949, Hex("BB F5 20 C7 CF B5 E5 BF FE BE EE 20 B9 DF B0 DF")},
      {949, Hex("BB F5 20 C7 CF B5 E5 BF FE BE EE 20 C3 DF B0 A1 20 B8 B6 B9 FD BB E7")},
      {949, Hex("BB F5 20 C7 CF B5 E5 BF FE BE EE 20 B0 CB BB F6 20 B8 B6 B9 FD BB E7")},
      {949, Hex("C7 C1 B8 B0 C5 CD 20 C3 DF B0 A1 20 B8 B6 B9 FD BB E7")},
      {936, Hex("D5 D2 B5 BD D0 C2 D3 B2 BC FE")},
      {936, Hex("CC ED BC D3 D0 C2 D3 B2 BC FE CF F2 B5 BC")},
      {936, Hex("D5 D2 B5 BD D0 C2 B5 C4 D3 B2 BC FE CF F2 B5 BC")},
      {936, Hex("CC ED BC D3 B4 F2 D3 A1 BB FA CF F2 B5 BC")},
  };
  return titles;
}

std::vector<std::string> SearchedTitles() {
  std::vector<std::string> searched;
  for (const sim::Call& c : sim::Calls())
    if (c.function == "FindWindowA") searched.push_back(c.detail);
  return searched;
}

class WizardWatchTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
};

TEST_F(WizardWatchTest, NoWizardSearchesAllThirteenTitlesByteForByte) {
  sim::OpenWindow("Untitled - Notepad");
  EXPECT_FALSE(IsHardwareWizardOpen());
  const std::vector<std::string> searched = SearchedTitles();
  ASSERT_EQ(searched.size(), Titles().size());
  for (size_t i = 0; i < searched.size(); ++i) {
    EXPECT_EQ(searched[i].size(), Titles()[i].bytes.size()) << "title " << i + 1;
    EXPECT_EQ(searched[i], Titles()[i].bytes) << "title " << i + 1;
  }
}

// Each title is found by a launcher in its own code page, and the walk stops
// there; a CJK title is not found by a launcher in another code page.
TEST_F(WizardWatchTest, EachTitleFoundUnderItsCodePageAndEndsTheWalk) {
  for (size_t i = 0; i < Titles().size(); ++i) {
    const Title& t = Titles()[i];
    sim::Reset();
    sim::SetAnsiCodePage(t.codePage ? t.codePage : 1252);
    sim::OpenWindow(t.bytes);
    EXPECT_TRUE(IsHardwareWizardOpen()) << "title " << i + 1;
    EXPECT_EQ(sim::CallCount("FindWindowA"), static_cast<int>(i + 1)) << "title " << i + 1;

    sim::SetAnsiCodePage(t.codePage == 932 ? 949 : 932);
    EXPECT_EQ(IsHardwareWizardOpen(), t.codePage == 0) << "title " << i + 1 << " under another code page";
  }
}

TEST_F(WizardWatchTest, OnlyWholeTitlesMatchLetterCaseAside) {
  struct Row {
    int codePage;
    std::string title;
    bool found;
  };
  const Row rows[] = {
      {1252, "ADD PRINTER WIZARD", true},
      {1252, "found new hardware", true},
      {1252, "Add Printer Wizard - HP", false},
      {1252, "Found New Hardware Wizard", false},
      {1252, "Add New Hardware", false},
      {1252, " Add Printer Wizard", false},
      // Japanese Add Printer Wizard: not in the list.
      {932, Hex("83 76 83 8A 83 93 83 5E 82 CC 92 C7 89 C1 83 45 83 42 83 55 81 5B 83 68"), false},
      // Japanese "New Hardware" with a trail byte 0x6E ('n') written as 0x4E ('N'):
      // a different character, not the same one in another case.
      {932, Hex("90 56 82 B5 82 A2 83 4E 81 5B 83 68 83 45 83 46 83 41"), false},
      // Japanese "New Hardware" followed by the start of the longer title.
      {932, Titles()[4].bytes + Hex("82 CC"), false},
  };
  for (const Row& r : rows) {
    sim::Reset();
    sim::SetAnsiCodePage(r.codePage);
    sim::OpenWindow(r.title);
    EXPECT_EQ(IsHardwareWizardOpen(), r.found) << r.title;
  }
}

TEST_F(WizardWatchTest, SeveralOpenStopsAtFirstInListOrder) {
  sim::SetAnsiCodePage(949);
  sim::OpenWindow(Titles()[8].bytes);
  sim::OpenWindow("Found New Hardware");
  EXPECT_TRUE(IsHardwareWizardOpen());
  EXPECT_EQ(SearchedTitles(), (std::vector<std::string>{Titles()[0].bytes, Titles()[1].bytes, Titles()[2].bytes}));
}

TEST_F(WizardWatchTest, ClosedWizardIsNoLongerFound) {
  HWND w = sim::OpenWindow("Add New Hardware Wizard");
  EXPECT_TRUE(WindowTitleExists("add new hardware wizard"));
  sim::CloseWindow(w);
  EXPECT_FALSE(WindowTitleExists("Add New Hardware Wizard"));
  EXPECT_FALSE(IsHardwareWizardOpen());
}

}  // namespace
