// The tests of the launch sequence that decide whether it may install.
#pragma once

#include "platform/win32.h"

// True when either earlier-edition key has at least one subkey.
bool HasEarlierEdition();

// True when the product key opens, holds the marker value PDIENTRY + "KEY",
// and the maker key "Software\Corvale\" + PDIENTRY opens.
bool IsProductInstalled(const char* registryPath, const char* pdiEntry);

// Removal mode: on Windows 98, 98 SE and Me starts Util\OemHlt07.exe from the
// launcher folder and pauses 500 ms, then removes the printer.
void RunRemovalMode(const char* launcherFolder, const char* printerName, const char* installInfoPath);
