// Removal mode: removes the named printer queue, its driver and the
// product's OEM INF files. `installInfoPath` is the information file beside
// the launcher.
#pragma once

void UninstallPrinter(const char* printerName, const char* installInfoPath);
