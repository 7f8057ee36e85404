#include "report.h"

#include <cstdio>

namespace plan {
namespace {

std::string Header(const Options& options, const Machine& machine) {
  const std::string line = LauncherCommandLine(options);
  return machine.launcherFolder + "\\Setup.exe on " + machine.releaseName + ", code page " +
         std::to_string(options.codePage) + ", command line " + (line.empty() ? "empty" : "\"" + line + "\"") +
         (options.limitedUser ? ", a limited user (not an administrator)" : "");
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  char escape[8];
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void PrintPlan(std::ostream& out, const Options& options, const Machine& machine, const std::vector<RunResult>& runs) {
  out << "Plan: " << Header(options, machine) << "\n";
  for (const std::string& w : machine.warnings) out << w << "\n";
  for (size_t i = 0; i < runs.size(); ++i) {
    const RunResult& run = runs[i];
    out << "\nRun " << i + 1 << ": " << run.roadText << "\n";
    for (const Effect& w : run.why) out << "         why  " << w.text << "\n";
    for (const Effect& e : run.effects) {
      char time[16];
      snprintf(time, sizeof time, "%8lu ms", static_cast<unsigned long>(e.time));
      out << time << "  " << e.text << "\n";
    }
    if (run.abandoned) out << "(run abandoned: raise --max-wait or script the change it waits for)\n";
  }
}

void PrintPlanJson(std::ostream& out, const Options& options, const Machine& machine,
                   const std::vector<RunResult>& runs) {
  out << "{\n  \"launcher\": " << JsonString(machine.launcherFolder + "\\Setup.exe")
      << ",\n  \"release\": " << JsonString(machine.releaseName) << ",\n  \"codePage\": " << options.codePage
      << ",\n  \"commandLine\": " << JsonString(LauncherCommandLine(options))
      << ",\n  \"user\": " << JsonString(options.limitedUser ? "limited" : "admin") << ",\n  \"warnings\": [";
  for (size_t i = 0; i < machine.warnings.size(); ++i) out << (i ? ", " : "") << JsonString(machine.warnings[i]);
  out << "],\n  \"runs\": [";
  for (size_t i = 0; i < runs.size(); ++i) {
    const RunResult& run = runs[i];
    out << (i ? "," : "") << "\n    {\"road\": " << JsonString(run.road) << ", \"removal\": "
        << (run.removal ? "true" : "false") << ", \"abandoned\": " << (run.abandoned ? "true" : "false")
        << ",\n     \"why\": [";
    for (size_t j = 0; j < run.why.size(); ++j) {
      const Effect& w = run.why[j];
      out << (j ? "," : "") << "\n       {\"record\": " << JsonString(w.kind);
      for (const auto& f : w.fields) out << ", " << JsonString(f.first) << ": " << f.second;
      out << ", \"text\": " << JsonString(w.text) << "}";
    }
    out << "],\n     \"effects\": [";
    for (size_t j = 0; j < run.effects.size(); ++j) {
      const Effect& e = run.effects[j];
      out << (j ? "," : "") << "\n       {\"kind\": " << JsonString(e.kind) << ", \"time\": " << e.time;
      for (const auto& f : e.fields) out << ", " << JsonString(f.first) << ": " << f.second;
      out << ", \"text\": " << JsonString(e.text) << "}";
    }
    out << "]}";
  }
  out << "\n  ]\n}\n";
}

}  // namespace plan
