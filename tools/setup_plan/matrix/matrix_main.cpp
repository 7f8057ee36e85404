#include "matrix_main.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "code_pages.h"
#include "lint.h"
#include "machine_setup.h"
#include "matrix_pin.h"
#include "matrix_report.h"
#include "plan_text.h"

namespace plan {
namespace {

// What the matrix takes; every other option describes one machine or run,
// which the matrix poses itself.
const char* const kMatrixOptions[] = {"--matrix", "--json",   "--codepage", "--codepages", "--location", "--printer",
                                      "--max-wait", "--cell", "--update",   "--expect",     "--machine",  "--html", "--help", "-h"};
const char* const kMatrixOnly[] = {"--cell", "--update", "--expect", "--codepages", "--machine", "--html"};

bool Given(const Options& o, const char* option) { return o.places.count(option) != 0; }

// True when the options make sense for the matrix; otherwise `error` says why.
bool CheckMatrixOptions(const Options& o, std::string* error) {
  if (!o.matrix) {
    for (const char* option : kMatrixOnly)
      if (Given(o, option))
        return *error = OptionError(o, option, std::string(option) + " is an option of --matrix: add --matrix"), false;
    return true;
  }
  for (const auto& given : o.places) {
    bool taken = given.first == "--";
    for (const char* name : kMatrixOptions) taken = taken || given.first == name;
    if (!taken || given.first == "--")
      return *error = OptionError(o, given.first, given.first + (given.first == "--" ? " (a command line)" : "") +
                                                      " describes one machine or run; --matrix poses its own "
                                                      "(--cell RELEASE:STATE=DIR prints a cell's options to start "
                                                      "from): leave it out"),
             false;
  }
  if (o.printers.size() > 1)
    return *error = OptionError(o, "--printer", "--printer more than once: the matrix removes one printer; give "
                                                "it once"),
           false;
  const std::pair<const char*, const char*> apart[] = {
      {"--json", "--update"}, {"--json", "--expect"}, {"--json", "--cell"},
      {"--update", "--expect"}, {"--cell", "--update"}, {"--cell", "--expect"},
      {"--codepage", "--codepages"}, {"--codepages", "--cell"}, {"--html", "--json"}, {"--html", "--update"},
      {"--html", "--expect"}, {"--html", "--cell"}, {"--html", "--codepages"}};
  for (const auto& pair : apart)
    if (Given(o, pair.first) && Given(o, pair.second))
      return *error = OptionError(o, pair.second, std::string(pair.second) + " with " + pair.first +
                                                      ": each prints something else; leave out one of them"),
             false;
  return CheckMachines(o, error);
}

// The code pages of --codepages ("1252,932"), or the one of --codepage.
bool CodePages(const Options& o, std::vector<int>* pages, std::string* error) {
  if (o.codePages.empty()) return pages->push_back(o.codePage), true;
  for (const std::string& page : Split(o.codePages, ",")) {
    const bool digits = !page.empty() && page.size() <= 5 && page.find_first_not_of("0123456789") == std::string::npos;
    const int number = digits ? std::stoi(page) : 0;
    if (!sim::CodePage::Find(number))
      return *error = ValueError(o, "--codepages", "--codepages takes 1252, 1250, 1251, 932, 936 and 949, separated by "
                                                   "commas, not \"" + Printable(page) + "\""),
             false;
    if (std::find(pages->begin(), pages->end(), number) != pages->end())
      return *error = ValueError(o, "--codepages", "code page " + page + " twice in --codepages: give it once"), false;
    pages->push_back(number);
  }
  return true;
}

// "RELEASE:STATE=DIR" of --cell.
bool ParseCell(const Options& o, std::string* release, std::string* state, std::string* dir, std::string* error) {
  const size_t colon = o.cell.find(':');
  const size_t eq = o.cell.find('=');
  if (colon == std::string::npos || eq == std::string::npos || eq < colon || eq + 1 == o.cell.size())
    return *error = ValueError(o, "--cell", "--cell needs RELEASE:STATE=DIR (e.g. win98:device=cells), not \"" +
                                                Printable(o.cell) + "\""),
           false;
  *release = o.cell.substr(0, colon);
  *state = o.cell.substr(colon + 1, eq - colon - 1);
  *dir = o.cell.substr(eq + 1);
  const std::vector<std::string> releases = MatrixReleases();
  if (std::find(releases.begin(), releases.end(), *release) == releases.end()) {
    std::string valid;
    for (const std::string& r : releases) valid += " " + r;
    return *error = ValueError(o, "--cell", "no row \"" + Printable(*release) + "\"; the rows are" + valid), false;
  }
  std::string valid;
  for (const MatrixState& s : MatrixStates(o))
    if (*state == s.name) return true;
    else valid += " " + s.name;
  return *error = ValueError(o, "--cell", "no state \"" + Printable(*state) + "\"; the states are" + valid), false;
}

// Writes the cell's .reg files into its folder and prints its options.
int PrintCell(const Options& o, const PackageFacts& facts, std::ostream& out, std::string* error) {
  std::string release, state, dir;
  if (!ParseCell(o, &release, &state, &dir, error)) return 2;
  const CellSetup cell = SetUpCell(o, facts, release, state, dir);
  if (!cell.posed)
    return *error = ValueError(o, "--cell", release + ":" + state + " is not posed: " + cell.notPosed), 2;
  std::error_code code;
  std::filesystem::create_directories(dir, code);
  for (const CellFile& file : cell.files) {
    std::ofstream reg(dir + "/" + file.name, std::ios::binary);
    reg << file.text;
    if (!reg.flush())
      return *error = ValueError(o, "--cell", "cannot write " + Printable(dir + "/" + file.name) +
                                                  ": name a folder you may write to"),
             2;
  }
  out << CellCommand(cell) << "\n";
  return 0;
}

// The findings about a file of the package that the cell's run started or
// copied, or about an InstallInfo.ini key it read (or the file as a whole,
// when it read any): where the builder's mistake shows.
void NoteFindings(const std::vector<Finding>& findings, CellResult* cell) {
  const auto note = [cell](const std::string& text) {
    if (std::find(cell->findings.begin(), cell->findings.end(), text) == cell->findings.end())
      cell->findings.push_back(text);
  };
  for (const Finding& f : findings) {
    if (f.note) continue;
    const std::string file = f.where.substr(0, f.where.rfind(':'));
    for (const std::string& used : cell->packageFiles)
      if (Upper(used) == Upper(file)) note(std::string(f.code) + " " + file);
    const std::vector<std::string>& read = cell->infoKeysRead;
    if (f.key == "*" && !read.empty()) note(std::string(f.code) + " " + file);
    for (const std::string& key : read)
      if (Upper(key) == Upper(f.key)) note(std::string(f.code) + " " + f.key.substr(f.key.find(' ') + 1));
  }
}

}  // namespace

bool WantsMatrix(const Options& options) {
  if (options.matrix) return true;
  for (const char* option : kMatrixOnly)
    if (Given(options, option)) return true;
  return false;
}

int RunMatrixCommand(const Options& options, std::ostream& out, std::ostream& err) {
  std::string error;
  PackageFacts facts;
  const auto fail = [&]() {
    for (const std::string& line : Split(error, "\n")) err << Printable(line) << "\n";
    return 2;
  };
  std::vector<int> pages;
  if (!CheckMatrixOptions(options, &error) || !CodePages(options, &pages, &error) ||
      !ReadPackageFacts(options, &facts, &error))
    return fail();
  if (!options.cell.empty()) {
    const int status = PrintCell(options, facts, out, &error);
    return status == 2 ? fail() : status;
  }
  MatrixWanted wanted;
  wanted.json = options.json;
  wanted.outcome = !options.update.empty() || !options.expect.empty();
  wanted.text = !options.html.empty();
  // One matrix per code page: the package is read, checked and run in each.
  std::vector<Options> pageOptions;
  std::vector<std::string> checks;
  std::vector<std::vector<CellResult>> byPage;
  std::vector<CellResult> cells;
  for (int page : pages) {
    Options o = options;
    o.codePage = page;
    std::ostringstream check;
    Options checkOptions = o;
    checkOptions.check = true;
    CheckPackage(checkOptions, check, &error);
    std::vector<CellResult> pageCells;
    if (!error.empty() || !ReadPackageFacts(o, &facts, &error) || !RunMatrix(o, facts, wanted, &pageCells, &error))
      return fail();
    std::vector<Finding> findings;
    if (!LintPackage(o, &findings, &error)) return fail();
    for (CellResult& cell : pageCells) {
      if (pages.size() > 1) cell.codePageTag = "@" + std::to_string(page);
      NoteFindings(findings, &cell);
    }
    cells.insert(cells.end(), pageCells.begin(), pageCells.end());
    pageOptions.push_back(o);
    checks.push_back(check.str());
    byPage.push_back(std::move(pageCells));
  }
  if (!options.expect.empty()) {
    const int status = ExpectMatrixOutcome(out, options.expect, cells, &error);
    return status == 2 ? fail() : status;
  }
  if (!options.update.empty()) {
    if (!WriteMatrixOutcome(options.update, cells, &error)) return fail();
    out << "wrote the outcome of " << cells.size() << " cells to " << options.update << "\n";
  } else if (!options.html.empty()) {
    std::ofstream page(options.html, std::ios::binary);
    PrintMatrixHtml(page, pageOptions[0], checks[0], cells);
    if (!page.flush())
      return error = Printable(options.html) + ":0: error: cannot be written: name a file in a folder you may write to",
             fail();
    out << "wrote the matrix of " << cells.size() << " cells to " << options.html << "\n";
  } else if (options.json && pages.size() > 1) {
    PrintMatricesJson(out, pageOptions, checks, byPage);
  } else if (options.json) {
    PrintMatrixJson(out, pageOptions[0], checks[0], cells);
  } else {
    for (size_t i = 0; i < byPage.size(); ++i)
      PrintMatrix(out << (i ? "\n" : ""), pageOptions[i], checks[i], byPage[i], &out == &std::cout && isatty(STDOUT_FILENO));
  }
  for (const CellResult& cell : cells)
    if (cell.abandoned) return 1;
  return 0;
}

}  // namespace plan
