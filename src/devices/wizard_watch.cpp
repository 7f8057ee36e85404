#include "devices/wizard_watch.h"

#include "platform/win32.h"

namespace {

// Titles of Windows' own device-installation windows, in the order they are
// looked for. Each is the exact byte string that the window has in the ANSI
// code page of its language edition, written as escapes so that the bytes do
// not depend on how this file is encoded. There is no Japanese title for the
// Add Printer Wizard.
const char* const kWizardTitleList[] = {
    "Add New Hardware Wizard",
    "Add Printer Wizard",
    "Found New Hardware",
    // 932 (Shift JIS): 新しいハードウェアの追加ウィザード (Add New Hardware Wizard)
    "\x90\x56\x82\xB5\x82\xA2\x83\x6E\x81\x5B\x83\x68\x83\x45\x83\x46\x83\x41\x82\xCC"
    "\x92\xC7\x89\xC1\x83\x45\x83\x42\x83\x55\x81\x5B\x83\x68",
    // 932 (Shift JIS): 新しいハードウェア (New Hardware)
    "\x90\x56\x82\xB5\x82\xA2\x83\x6E\x81\x5B\x83\x68\x83\x45\x83\x46\x83\x41",
    // 949 (Korean): 새 하드웨어 발견 (Found New Hardware)
    "\xBB\xF5\x20\xC7\xCF\xB5\xE5\xBF\xFE\xBE\xEE\x20\xB9\xDF\xB0\xDF",
    // 949 (Korean): 새 하드웨어 추가 마법사 (Add New Hardware Wizard)
    "\xBB\xF5\x20\xC7\xCF\xB5\xE5\xBF\xFE\xBE\xEE\x20\xC3\xDF\xB0\xA1\x20\xB8\xB6\xB9\xFD\xBB\xE7",
    // 949 (Korean): 새 하드웨어 검색 마법사 (Found New Hardware Wizard)
    "\xBB\xF5\x20\xC7\xCF\xB5\xE5\xBF\xFE\xBE\xEE\x20\xB0\xCB\xBB\xF6\x20\xB8\xB6\xB9\xFD\xBB\xE7",
    // 949 (Korean): 프린터 추가 마법사 (Add Printer Wizard)
    "\xC7\xC1\xB8\xB0\xC5\xCD\x20\xC3\xDF\xB0\xA1\x20\xB8\xB6\xB9\xFD\xBB\xE7",
    // 936 (GBK): 找到新硬件 (Found New Hardware)
    "\xD5\xD2\xB5\xBD\xD0\xC2\xD3\xB2\xBC\xFE",
    // 936 (GBK): 添加新硬件向导 (Add New Hardware Wizard)
    "\xCC\xED\xBC\xD3\xD0\xC2\xD3\xB2\xBC\xFE\xCF\xF2\xB5\xBC",
    // 936 (GBK): 找到新的硬件向导 (Found New Hardware Wizard)
    "\xD5\xD2\xB5\xBD\xD0\xC2\xB5\xC4\xD3\xB2\xBC\xFE\xCF\xF2\xB5\xBC",
    // 936 (GBK): 添加打印机向导 (Add Printer Wizard)
    "\xCC\xED\xBC\xD3\xB4\xF2\xD3\xA1\xBB\xFA\xCF\xF2\xB5\xBC",
};

}  // namespace

bool WindowTitleExists(const char* windowTitle) { return FindWindowA(NULL, windowTitle) != NULL; }

// The titles are searched in list order and the first one found ends the
// walk; a window missed here is seen by the caller's next poll.
bool IsHardwareWizardOpen() {
  for (const char* title : kWizardTitleList)
    if (WindowTitleExists(title)) return true;
  return false;
}
