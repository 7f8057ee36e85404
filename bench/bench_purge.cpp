// bench_purge N...: the cost of PurgeOemInfFiles on the simulated Windows over
// an INF folder of N files (bench/inf_corpus.h), 1% of them the product's.
// One line per size on stdout:
//   files=N sim_us_per_file=X deleted=D
// bench_purge --write DIR N [--marked-only]: writes the corpus of N files
// into the real folder DIR (for the Wine part of bench/run purge); with
// --marked-only only the product's files and their .pnf files.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "inf_corpus.h"
#include "removal/inf_purge.h"
#include "sim.h"

namespace {

const char kFolder[] = "C:\\WINDOWS\\inf\\";
const char kInfo[] = "C:\\Pkg\\InstallInfo.ini";
const int kRepetitions = 3;

void LayMarked(int files) {
  for (int i = 0; i < files; ++i) {
    if (!corpus::IsMarked(i)) continue;
    sim::WriteFile(kFolder + corpus::Name(i), corpus::Text(i));
    sim::WriteFile(kFolder + corpus::Name(i, ".pnf"), std::string(1024, 'P'));
  }
}

int Write(const std::string& dir, int files, bool markedOnly) {
  for (int i = 0; i < files; ++i) {
    if (markedOnly && !corpus::IsMarked(i)) continue;
    std::ofstream(dir + "/" + corpus::Name(i), std::ios::binary) << corpus::Text(i);
    if (corpus::IsMarked(i)) std::ofstream(dir + "/" + corpus::Name(i, ".pnf"), std::ios::binary) << std::string(1024, 'P');
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--write") == 0)
    return Write(argv[2], std::atoi(argv[3]), argc > 4 && std::strcmp(argv[4], "--marked-only") == 0);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_purge N... | bench_purge --write DIR N [--marked-only]\n");
    return 2;
  }
  for (int a = 1; a < argc; ++a) {
    const int files = std::atoi(argv[a]);
    sim::Reset();
    sim::CreateFolder(kFolder);
    for (int i = 0; i < files; ++i)
      if (!corpus::IsMarked(i)) sim::WriteFile(kFolder + corpus::Name(i), corpus::Text(i));
    double best = 0;
    size_t deleted = 0;
    for (int r = 0; r < kRepetitions; ++r) {
      LayMarked(files);
      const size_t before = sim::FolderEntries(kFolder).size();
      sim::ClearCalls();
      const auto t0 = std::chrono::steady_clock::now();
      PurgeOemInfFiles(kFolder, kInfo);
      const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      deleted = (before - sim::FolderEntries(kFolder).size()) / 2;  // each with its .pnf
      if (r == 0 || s < best) best = s;
    }
    std::printf("files=%d sim_us_per_file=%.2f deleted=%zu\n", files, best * 1e6 / files, deleted);
    std::fflush(stdout);
  }
  return 0;
}
