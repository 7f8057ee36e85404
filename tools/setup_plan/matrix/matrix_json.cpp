#include "matrix_report.h"

#include <sstream>

#include "machine_setup.h"
#include "plan_unicode.h"
#include "report.h"

namespace plan {
namespace {

// A JSON array of texts of the posed code page.
std::string TextArray(const std::vector<std::string>& texts, int codePage) {
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + JsonText(texts[i], codePage);
  return out + "]";
}

// `json` (a whole document) indented by `by` after each line break.
std::string Indented(const std::string& json, const std::string& by) {
  std::string out;
  for (char c : json) out += c == '\n' ? "\n" + by : std::string(1, c);
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
  return out;
}

}  // namespace

void PrintMatrixJson(std::ostream& out, const Options& options, const std::string& check,
                     const std::vector<CellResult>& cells) {
  const int cp = options.codePage;
  out << "{\n  \"package\": " << JsonString(options.packageDir) << ",\n  \"codePage\": " << cp
      << ",\n  \"releases\": [";
  const std::vector<std::string> releases = MatrixReleases();
  for (size_t i = 0; i < releases.size(); ++i)
    out << (i ? ", " : "") << "{\"option\": " << JsonString(releases[i])
        << ", \"name\": " << JsonString(ReleaseName(releases[i])) << "}";
  out << "],\n  \"states\": [";
  const std::vector<MatrixState> states = MatrixStates(options);
  for (size_t i = 0; i < states.size(); ++i)
    out << (i ? "," : "") << "\n    {\"name\": " << JsonString(states[i].name)
        << ", \"text\": " << JsonString(states[i].text) << "}";
  out << "],\n  \"optionsDir\": \"DIR: where --cell RELEASE:STATE=DIR writes the cell's .reg files\""
      << ",\n  \"check\": " << Indented(check, "  ") << ",\n  \"cells\": [";
  for (size_t i = 0; i < cells.size(); ++i) {
    const CellResult& c = cells[i];
    out << (i ? "," : "") << "\n    {\"release\": " << JsonString(c.release) << ", \"state\": " << JsonString(c.state)
        << ", \"posed\": " << (c.road.empty() ? "false" : "true");
    if (c.road.empty()) {
      out << ", \"notPosed\": " << JsonString(c.setup.notPosed) << "}";
      continue;
    }
    out << ",\n     \"options\": " << TextArray(c.setup.args, cp) << ",\n     \"road\": " << JsonString(c.road)
        << ", \"removal\": " << (c.removal ? "true" : "false") << ", \"abandoned\": "
        << (c.abandoned ? "true" : "false") << ", \"lengthMs\": " << c.lengthMs
        << ", \"longestWaitMs\": " << c.longestWaitMs;
    if (const CellResult* above = DiffersFromAbove(cells, i, states.size()))
      out << ", \"roadDiffersFrom\": {\"release\": " << JsonString(above->release)
          << ", \"road\": " << JsonString(above->road) << "}";
    out << ",\n     \"programs\": " << TextArray(c.programs, cp)
        << ",\n     \"departures\": " << TextArray(c.departures, cp)
        << ",\n     \"findings\": " << TextArray(c.findings, cp)
        << ",\n     \"plan\": " << Indented(c.planJson, "     ") << "}";
  }
  out << "\n  ]\n}\n";
}

void PrintMatricesJson(std::ostream& out, const std::vector<Options>& options, const std::vector<std::string>& checks,
                       const std::vector<std::vector<CellResult>>& cells) {
  out << "{\n  \"matrices\": [";
  for (size_t i = 0; i < cells.size(); ++i) {
    std::ostringstream one;
    PrintMatrixJson(one, options[i], checks[i], cells[i]);
    out << (i ? ", " : "") << Indented(one.str(), "  ");
  }
  out << "]\n}\n";
}

}  // namespace plan
