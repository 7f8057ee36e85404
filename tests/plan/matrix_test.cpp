// --matrix: a cell rerun alone from the options --cell prints is the cell.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "host_file.h"
#include "machine_setup.h"
#include "matrix_main.h"
#include "matrix_run.h"
#include "outcome.h"
#include "plan_run.h"

namespace {

std::vector<std::string> RunAlone(const plan::CellSetup& setup) {
  std::vector<std::string> args = {"setup-plan"};
  args.insert(args.end(), setup.args.begin(), setup.args.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  plan::Options o;
  plan::Machine machine;
  std::vector<plan::RunResult> runs;
  std::string error;
  EXPECT_TRUE(plan::ParseOptions(static_cast<int>(argv.size()), argv.data(), &o, &error)) << error;
  EXPECT_TRUE(plan::PoseMachine(o, &machine, &error)) << error;
  const plan::ObservableState before = plan::ObserveMachine(machine);
  EXPECT_TRUE(plan::RunPlan(o, machine, &runs, &error)) << error;
  return plan::OutcomeLines(machine, before, plan::ObserveMachine(machine, false), runs);
}

// Every posed cell of the sample package ends (no wait for ever) and leaves,
// rerun from its own options and .reg files, the outcome the matrix found.
TEST(MatrixTest, EveryCellRerunAloneFromItsOptionsIsTheCell) {
  plan::Options options;
  options.packageDir = std::string(SOURCE_DIR) + "/samples/sample-package";
  plan::PackageFacts facts;
  std::string error;
  ASSERT_TRUE(plan::ReadPackageFacts(options, &facts, &error)) << error;
  std::vector<plan::CellResult> cells;
  plan::MatrixWanted wanted;
  wanted.outcome = true;
  ASSERT_TRUE(plan::RunMatrix(options, facts, wanted, &cells, &error)) << error;
  char dir[] = "/tmp/matrix-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  int posed = 0;
  for (const plan::CellResult& cell : cells) {
    if (cell.road.empty()) continue;
    ++posed;
    EXPECT_FALSE(cell.abandoned) << cell.release << ":" << cell.state;
    const plan::CellSetup setup = plan::SetUpCell(options, facts, cell.release, cell.state, dir);
    for (const plan::CellFile& file : setup.files) std::ofstream(std::string(dir) + "/" + file.name) << file.text;
    EXPECT_EQ(RunAlone(setup), cell.outcome) << cell.release << ":" << cell.state;
  }
  EXPECT_EQ(posed, 104);  // 110 cells; a limited user only on 2000, XP, 2003 and 7
  for (const char* name : {"device.reg", "printer-function.reg", "installer-done.reg", "installed.reg",
                           "uninstaller-done.reg", "earlier-edition.reg"})
    unlink((std::string(dir) + "/" + name).c_str());
  rmdir(dir);
}

// Over several code pages each cell is pinned under its page, so that a
// change in one page names that page's cell.
TEST(MatrixTest, CellsOfSeveralCodePagesArePinnedUnderTheirPage) {
  const std::string file = "/tmp/matrix-test-pinned-" + std::to_string(getpid()) + ".txt";
  std::vector<std::string> args = {"setup-plan", "--matrix", "--codepages", "1252,932", "--update", file,
                                   std::string(SOURCE_DIR) + "/samples/sample-package"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  plan::Options options;
  std::string error, text;
  ASSERT_TRUE(plan::ParseOptions(static_cast<int>(argv.size()), argv.data(), &options, &error)) << error;
  std::ostringstream out, err;
  EXPECT_EQ(plan::RunMatrixCommand(options, out, err), 0) << err.str();
  ASSERT_TRUE(plan::ReadHostFile(file, "the pinned file", &text, &error)) << error;
  unlink(file.c_str());
  EXPECT_NE(text.find("\n[win98:device@1252]\n"), std::string::npos);
  EXPECT_NE(text.find("\n[win98:device@932]\n"), std::string::npos);
  EXPECT_EQ(text.find("\n[win98:device]\n"), std::string::npos);
}

}  // namespace
