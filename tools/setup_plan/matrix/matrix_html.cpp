// The matrix as one self-contained HTML page: no network, no script or font
// from elsewhere. The grid is coloured by road, a legend above it, and each
// cell is a link to its whole plan, which opens in a panel beside the grid
// when it is the page's target (CSS only), so the page prints as the grid.
#include "matrix_report.h"

#include "plan_unicode.h"

namespace plan {
namespace {

std::string Html(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

struct RoadStyle {
  const char* road;
  const char* label;
  const char* colour;
};

const RoadStyle kStyles[] = {
    {"installation", "installs", "#cdeccd"},     {"installed", "maintenance dialog", "#cfe3f7"},
    {"earlier-edition", "Caution! box", "#fbe7b5"}, {"another-copy", "another copy runs", "#e8d5f2"},
    {"unsupported", "release not supported", "#e4e4e4"}, {"unusable", "InstallInfo.ini unusable", "#f6c9c9"},
};

const char kStyle[] =
    "body{font:14px/1.4 sans-serif;margin:16px;color:#111}"
    "h1{font-size:20px;margin:0 0 8px}h2{font-size:16px;margin:16px 0 6px}"
    "table.grid{border-collapse:collapse}"
    ".grid th,.grid td{border:1px solid #999;padding:3px 6px;text-align:center;white-space:nowrap}"
    ".grid th{background:#f4f4f4;font-weight:600}.grid th.release{text-align:left}"
    ".grid td a{color:#111;text-decoration:none;display:block}"
    ".grid td.stands{outline:3px solid #d24;outline-offset:-3px}"
    ".grid td.abandoned{background:#f28b8b}.grid td.unposed{color:#888;background:#fff}"
    ".legend span{display:inline-block;padding:2px 8px;margin:2px 6px 2px 0;border:1px solid #999}"
    "pre{font:12px/1.35 monospace;white-space:pre-wrap;background:#fafafa;border:1px solid #ddd;padding:8px}"
    ".plan{display:none}.plan:target{display:block;position:fixed;top:0;right:0;bottom:0;width:62%;"
    "overflow:auto;background:#fff;border-left:2px solid #555;padding:0 16px;box-shadow:-4px 0 12px #0003}"
    ".plan .close{float:right;margin-top:16px}"
    "@media print{.plan:target{display:none}a{color:inherit}}";

}  // namespace

void PrintMatrixHtml(std::ostream& out, const Options& options, const std::string& check,
                     const std::vector<CellResult>& cells) {
  const std::vector<MatrixState> states = MatrixStates(options);
  const size_t n = states.size();
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      << "<meta name=\"viewport\" content=\"width=device-width\"><title>Matrix of " << Html(options.packageDir)
      << "</title><style>" << kStyle;
  for (const RoadStyle& s : kStyles) out << ".road-" << s.road << "{background:" << s.colour << "}";
  out << "</style></head><body>\n<h1>" << Html(options.packageDir) << ": every release in every machine state</h1>\n"
      << "<p>Code page " << options.codePage << ". Each cell is one plan of the launcher's own code; "
      << "a cell opens its plan below.</p>\n<p class=\"legend\">";
  for (const RoadStyle& s : kStyles) out << "<span class=\"road-" << s.road << "\">" << s.label << "</span>";
  out << "<span class=\"stands\" style=\"outline:3px solid #d24\">another road than the release above</span>"
      << "<span>* a departure acted</span><span>! abandoned</span><span># uses a key or file a finding names</span></p>\n";
  out << "<table class=\"grid\"><thead><tr><th class=\"release\">release</th>";
  for (const MatrixState& state : states) out << "<th title=\"" << Html(state.text) << "\">" << Html(state.name) << "</th>";
  out << "</tr></thead><tbody>\n";
  for (size_t row = 0; row * n < cells.size(); ++row) {
    out << "<tr><th class=\"release\">" << Html(cells[row * n].release) << "</th>";
    for (size_t column = 0; column < n; ++column) {
      const size_t index = row * n + column;
      const CellResult& c = cells[index];
      const std::string id = "cell-" + c.release + "-" + c.state;
      if (c.road.empty()) {
        out << "<td class=\"cell unposed\" data-road=\"\" title=\"" << Html(c.setup.notPosed) << "\">-</td>";
        continue;
      }
      out << "<td class=\"cell road-" << c.road << (c.abandoned ? " abandoned" : "")
          << (DiffersFromAbove(cells, index, n) ? " stands" : "") << "\" data-road=\"" << c.road << "\" title=\""
          << Html(c.release + ":" + c.state + ": " + c.road + ", " + std::to_string(c.lengthMs) + " ms") << "\">"
          << "<a href=\"#" << id << "\">" << Html(c.road) << (c.abandoned ? "!" : "")
          << (c.departures.empty() ? "" : "*") << (c.findings.empty() ? "" : "#") << "</a></td>";
    }
    out << "</tr>\n";
  }
  out << "</tbody></table>\n<h2>States</h2>\n<ul>";
  for (const MatrixState& state : states) out << "<li><b>" << Html(state.name) << "</b>: " << Html(state.text) << "</li>";
  out << "</ul>\n<h2>Package check</h2>\n<pre>" << Html(AnsiToUtf8(check, options.codePage)) << "</pre>\n";
  for (const CellResult& c : cells) {
    if (c.road.empty()) continue;
    out << "<section class=\"plan\" id=\"cell-" << c.release << "-" << c.state << "\"><h2>" << Html(c.release) << ", "
        << Html(c.state) << ": " << Html(c.road) << "<a class=\"close\" href=\"#\">close</a></h2>\n<p>Rerun alone: <code>" << Html(CellCommand(c.setup))
        << "</code> (after <code>--cell " << Html(c.release + ":" + c.state) << "=DIR</code>)</p>\n<pre>"
        << Html(c.planText) << "</pre></section>\n";
  }
  out << "</body></html>\n";
}

}  // namespace plan
