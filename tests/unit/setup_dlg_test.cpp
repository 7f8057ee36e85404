#include <string>

#include "dialog_fixture.h"

namespace {

using dlgtest::DialogTest;

std::string Rect(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST_F(DialogTest, OpensWithNothingChosenNextDisabledAndCancelTheDefault) {
  bool shown = false;
  const INT_PTR result = Show([&](HWND d) {
    shown = true;
    EXPECT_FALSE(sim::ControlChecked(d, IDC_RADIO_UNINSTALL));
    EXPECT_FALSE(sim::ControlChecked(d, IDC_RADIO_ADD_DEVICE));
    EXPECT_FALSE(sim::ControlEnabled(d, IDOK));
    EXPECT_TRUE(sim::ControlEnabled(d, IDCANCEL));
    EXPECT_EQ(SendMessageA(d, DM_GETDEFID, 0, 0), static_cast<LRESULT>(MAKEWPARAM(IDCANCEL, DC_HASDEFID)));
    // Next cannot be pressed yet; Enter presses Cancel.
    EXPECT_FALSE(sim::Click(d, IDOK));
    sim::PressEnter(d);
  });
  EXPECT_TRUE(shown);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(sim::ProcessStarts().empty());
}

TEST_F(DialogTest, BothIconsAreTheApplicationIconSetBigFirst) {
  HICON big = nullptr, small = nullptr;
  LRESULT dragIcon = 0;
  Show([&](HWND d) {
    big = sim::DialogIcon(d, ICON_BIG);
    small = sim::DialogIcon(d, ICON_SMALL);
    dragIcon = SendMessageA(d, WM_QUERYDRAGICON, 0, 0);
  });
  const HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(big, icon);
  EXPECT_EQ(small, icon);
  EXPECT_EQ(dragIcon, reinterpret_cast<LRESULT>(icon));
  const std::string setBig = std::to_string(WM_SETICON) + "|" + std::to_string(ICON_BIG);
  const std::string setSmall = std::to_string(WM_SETICON) + "|" + std::to_string(ICON_SMALL);
  int bigAt = -1, smallAt = -1;
  for (size_t i = 0; i < sim::Calls().size(); ++i) {
    if (sim::Calls()[i].function != "SendMessageA") continue;
    if (sim::Calls()[i].detail == setBig && bigAt < 0) bigAt = static_cast<int>(i);
    if (sim::Calls()[i].detail == setSmall && smallAt < 0) smallAt = static_cast<int>(i);
  }
  EXPECT_GE(bigAt, 0);
  EXPECT_GT(smallAt, bigAt);
}

TEST_F(DialogTest, WithoutItsIconTheDialogStillWorks) {
  sim::Reset();
  sim::DefineDialogLayout("#102", dlgtest::EnglishLayout());
  const INT_PTR result = Show([](HWND d) {
    EXPECT_EQ(sim::DialogIcon(d, ICON_BIG), nullptr);
    sim::Click(d, IDC_RADIO_UNINSTALL);
    EXPECT_TRUE(sim::ControlEnabled(d, IDOK));
    sim::Click(d, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(DialogTest, UninstallEnablesNextAndAddADeviceDisablesItAgain) {
  Show([](HWND d) {
    sim::Click(d, IDC_RADIO_UNINSTALL);
    EXPECT_TRUE(sim::ControlEnabled(d, IDOK));
    EXPECT_TRUE(sim::ControlChecked(d, IDC_RADIO_UNINSTALL));
    sim::Click(d, IDC_RADIO_ADD_DEVICE);
    EXPECT_FALSE(sim::ControlEnabled(d, IDOK));
    EXPECT_TRUE(sim::ControlChecked(d, IDC_RADIO_ADD_DEVICE));
    EXPECT_FALSE(sim::ControlChecked(d, IDC_RADIO_UNINSTALL));
    sim::Click(d, IDC_RADIO_ADD_DEVICE);
    EXPECT_FALSE(sim::ControlEnabled(d, IDOK));
    sim::Click(d, IDC_RADIO_UNINSTALL);
    sim::Click(d, IDC_RADIO_UNINSTALL);
    EXPECT_TRUE(sim::ControlEnabled(d, IDOK));
    sim::Click(d, IDCANCEL);
  });
  // Choosing starts nothing.
  EXPECT_TRUE(sim::ProcessStarts().empty());
}

TEST_F(DialogTest, CancelNeverStartsAProcessWhateverWasChosen) {
  const std::vector<std::vector<int>> choices = {
      {}, {IDC_RADIO_UNINSTALL}, {IDC_RADIO_ADD_DEVICE}, {IDC_RADIO_UNINSTALL, IDC_RADIO_ADD_DEVICE}};
  for (const auto& chosen : choices) {
    for (int way = 0; way < 2; ++way) {
      const INT_PTR result = Show([&](HWND d) {
        for (int id : chosen) sim::Click(d, id);
        if (way == 0) sim::Click(d, IDCANCEL);
        else sim::PressEscape(d);
      });
      EXPECT_EQ(result, IDCANCEL);
    }
  }
  EXPECT_TRUE(sim::ProcessStarts().empty());
  EXPECT_EQ(sim::CallCount("RegOpenKeyExA"), 0);
}

TEST_F(DialogTest, NextAfterUninstallStartsTheRegisteredCommandAndEndsWithOk) {
  EXPECT_EQ(Uninstall(), IDOK);
  ASSERT_EQ(sim::ProcessStarts().size(), 1u);
  const sim::ProcessStart& start = sim::ProcessStarts()[0];
  EXPECT_TRUE(start.started);
  EXPECT_EQ(start.applicationName, dlgtest::kMsiExec);
  EXPECT_EQ(start.commandLine, dlgtest::kCommand);
  EXPECT_EQ(start.inheritHandles, FALSE);
  EXPECT_EQ(start.creationFlags, 0u);
  EXPECT_TRUE(start.environmentNull);
  EXPECT_TRUE(start.currentDirectoryNull);
  EXPECT_EQ(start.startupInfoSize, sizeof(STARTUPINFOA));  // 68 on 32-bit Windows
  // Not waited for; both of its handles closed at once, the process first.
  EXPECT_EQ(sim::CallCount("WaitForSingleObject"), 0);
  const int closeProcess = sim::FindCall("CloseHandle");
  ASSERT_GE(closeProcess, 0);
  EXPECT_EQ(sim::Calls()[closeProcess].detail, dlgtest::kMsiExec);
  EXPECT_GE(sim::FindCall("CloseHandle", closeProcess + 1), 0);
}

// ---- the header band --------------------------------------------------------

TEST_F(DialogTest, PaintFillsTheWhiteBandAndDrawsBothLinesInPlace) {
  // The band is fixed in pixels: the same in the English, Korean and Chinese
  // dialog heights.
  for (LONG height : {313L, 284L, 258L}) {
    sim::DefineDialogLayout("#102", dlgtest::EnglishLayout(height));
    const size_t before = sim::PaintOps().size();
    HFONT dialogFont = nullptr;
    Show([&](HWND d) {
      dialogFont = sim::DialogFont(d);
      SendMessageA(d, WM_PAINT, 0, 0);
      sim::Click(d, IDCANCEL);
    });
    const auto& ops = sim::PaintOps();
    ASSERT_EQ(ops.size(), before + 4) << height;
    const sim::PaintOp& band = ops[before];
    const sim::PaintOp& heading = ops[before + 1];
    const sim::PaintOp& sub = ops[before + 2];

    EXPECT_EQ(band.function, "ExtTextOutA");
    EXPECT_EQ(band.flags, static_cast<UINT>(ETO_OPAQUE));
    EXPECT_EQ(band.background, 0xFFFFFFu);
    EXPECT_EQ(Rect(band.rect), "1,0,500,60");

    EXPECT_EQ(heading.function, "DrawTextA");
    EXPECT_EQ(heading.text, dlgtest::kHeading);
    EXPECT_EQ(heading.flags, static_cast<UINT>(DT_SINGLELINE));
    EXPECT_EQ(heading.background, 0xFFFFFFu);
    EXPECT_EQ(heading.logFont.lfWeight, FW_BOLD);
    EXPECT_STREQ(heading.logFont.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(heading.logFont.lfHeight, -11);
    EXPECT_EQ(Rect(heading.rect), "30,10,500,30");

    EXPECT_EQ(sub.text, dlgtest::kSubHeading);
    EXPECT_EQ(sub.flags, static_cast<UINT>(DT_SINGLELINE));
    EXPECT_EQ(sub.font, reinterpret_cast<HGDIOBJ>(dialogFont));
    EXPECT_EQ(Rect(sub.rect), "30,30,500,50");
    // The device context gets its own font back before the paint ends.
    EXPECT_EQ(ops[before + 3].function, "EndPaint");
    EXPECT_EQ(ops[before + 3].font, sim::SystemFont());
  }
}

TEST_F(DialogTest, AHeadingLongerThanTheBandIsDrawnWholeOnOneLine) {
  const std::string longHeading(300, 'W');
  sim::DefineString(IDS_ALREADY_INSTALLED, longHeading);
  Show([](HWND d) {
    SendMessageA(d, WM_PAINT, 0, 0);
    sim::Click(d, IDCANCEL);
  });
  ASSERT_GE(sim::PaintOps().size(), 2u);
  // Loaded whole; DT_SINGLELINE alone clips it at the band's right edge.
  EXPECT_EQ(sim::PaintOps()[1].text, longHeading);
  EXPECT_EQ(sim::PaintOps()[1].flags, static_cast<UINT>(DT_SINGLELINE));
}

TEST_F(DialogTest, RepeatedPaintsLeaveNoFontBehind) {
  int fontsCreated = 0;
  Show([&](HWND d) {
    for (int i = 0; i < 5; ++i) {
      SendMessageA(d, WM_PAINT, 0, 0);
      EXPECT_EQ(sim::LiveFonts(), 0) << "after paint " << i;
      EXPECT_EQ(sim::OpenPaints(), 0) << "after paint " << i;
    }
    fontsCreated = sim::CallCount("CreateFontIndirectA");
    sim::Click(d, IDCANCEL);
  });
  EXPECT_EQ(fontsCreated, 5);  // a new bold font on every paint
  EXPECT_EQ(sim::CallCount("BeginPaint"), sim::CallCount("EndPaint"));
}

}  // namespace
