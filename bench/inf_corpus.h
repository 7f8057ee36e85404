// The INF folder both purge benchmarks work on: N files "oemI.inf" of 4 to
// 40 KB of INF-like text. Every hundredth file (I % 100 == 37) is the
// product's: it carries the marker near its start and has an "oemI.pnf"
// beside it. Every hundredth other file (I % 100 == 71) carries the marker
// only after byte 2048, so it stays. Sizes and texts repeat from run to run.
#pragma once

#include <cstdio>
#include <string>

namespace corpus {

const char kMarker[] = "{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}";

inline bool IsMarked(int i) { return i % 100 == 37; }

inline std::string Name(int i, const char* extension = ".inf") { return "oem" + std::to_string(i) + extension; }

inline size_t SizeOf(int i) {
  unsigned x = static_cast<unsigned>(i) * 2654435761u;
  x ^= x >> 13;
  return 4096 + x % (36 * 1024 + 1);
}

inline std::string Text(int i) {
  char head[256];
  std::snprintf(head, sizeof head,
                "; oem%d.inf\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
                "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\nProvider=%%Maker%d%%\r\n",
                i, i % 97);
  std::string text = head;
  if (IsMarked(i)) text += std::string("; ") + kMarker + "\r\n";
  const size_t size = SizeOf(i);
  for (int line = 0; text.size() < size; ++line) {
    if (i % 100 == 71 && text.size() > 3000 && text.find(kMarker) == std::string::npos)
      text += std::string("; ") + kMarker + "\r\n";
    text += "HKR,,Driver" + std::to_string(line) + ",0,\"drv" + std::to_string(i) + "_" + std::to_string(line) + ".dll\"\r\n";
  }
  text.resize(size);
  return text;
}

}  // namespace corpus
