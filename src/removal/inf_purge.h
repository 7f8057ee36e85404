// The purge of the product's OEM INF files (and their .pnf companions) from
// one INF folder, found by the marker text the product's INF files carry.
#pragma once

// `folder` ends in a backslash; `installInfoPath` is the information file
// whose [UNINSTALL] INFSGUID names the marker.
void PurgeOemInfFiles(const char* folder, const char* installInfoPath);
