// Whether one of Windows' own device-installation windows (new-hardware or
// add-printer wizard, English, Japanese, Korean or Simplified Chinese) is open.
#pragma once

// True when a top-level window has exactly (letter case aside) `windowTitle`.
bool WindowTitleExists(const char* windowTitle);

// True when a window with one of the known wizard titles is open.
bool IsHardwareWizardOpen();
