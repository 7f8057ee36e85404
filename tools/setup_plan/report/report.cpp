#include "report.h"

#include <cstdio>

#include "plan_unicode.h"

namespace plan {
namespace {

std::string Header(const Options& options, const Machine& machine) {
  const std::string line = LauncherCommandLine(options);
  return machine.launcherFolder + "\\Setup.exe on " + machine.releaseName + ", code page " +
         std::to_string(options.codePage) + ", command line " + (line.empty() ? "empty" : "\"" + line + "\"") +
         (options.limitedUser ? ", a limited user (not an administrator)" : "");
}

// "01,ff": bytes as hex.
std::string HexBytes(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ',';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// A JSON array or object whose strings hold bytes of the code page (as
// JsonString writes them), with each string given as real Unicode.
std::string RecodeStrings(const std::string& json, int codePage) {
  std::string out;
  for (size_t i = 0; i < json.size(); ++i) {
    if (json[i] != '"') {
      out += json[i];
      continue;
    }
    size_t end = i + 1;
    while (end < json.size() && json[end] != '"') end += json[end] == '\\' ? 2 : 1;
    out += JsonText(JsonStringBytes(json.substr(i, end + 1 - i)), codePage);
    i = end;
  }
  return out;
}

// Why a run was abandoned, and what to do.
std::string Abandoned(const RunResult& run) {
  const std::string reason = !run.effects.empty() && !run.effects.back().fields.empty()
                                 ? run.effects.back().fields[0].second
                                 : "";
  if (reason == "\"calls without waiting\"") return "the launcher would never end here; a fault of the launcher or the simulator";
  if (!reason.empty()) return "a plan follows the virtual clock no further";
  return "raise --max-wait or script the change it waits for";
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
  // The machine's texts are bytes of its code page; the terminal reads UTF-8.
  const auto text = [&options](const std::string& bytes) { return AnsiToUtf8(bytes, options.codePage); };
  out << "Plan: " << text(Header(options, machine)) << "\n";
  for (const std::string& path : options.heldFiles)
    out << "Machine: another program holds " << text(path) << " open, sharing nothing (before the launcher runs)\n";
  for (const std::string& w : machine.warnings) out << w << "\n";
  for (size_t i = 0; i < runs.size(); ++i) {
    const RunResult& run = runs[i];
    out << "\nRun " << i + 1 << ": " << text(run.roadText) << "\n";
    for (const Effect& w : run.why) out << "         why  " << text(w.text) << "\n";
    for (const Effect& e : run.effects) {
      char time[16];
      snprintf(time, sizeof time, "%8lu ms", static_cast<unsigned long>(e.time));
      out << time << "  " << text(e.text) << "\n";
    }
    if (run.abandoned) out << "(run abandoned: " << Abandoned(run) << ")\n";
  }
}

// The fields of an effect as JSON members: texts as real Unicode, with their
// bytes in the code page beside them ("<name>Bytes") when they are not ASCII.
// A text member "NAME": "..." as real Unicode, and "NAMEBytes" beside it
// when the text is not ASCII.
std::string TextMember(const std::string& name, const std::string& bytes, int codePage) {
  std::string out = JsonString(name) + ": " + JsonText(bytes, codePage);
  bool ascii = true;
  for (unsigned char c : bytes) ascii = ascii && c < 0x80;
  return ascii ? out : out + ", " + JsonString(name + "Bytes") + ": " + JsonString(HexBytes(bytes));
}

void PrintFields(std::ostream& out, const Fields& fields, int codePage) {
  // A registry value is {"type": ..., "data": ...} (recorder_settle.cpp); its
  // text data is given as the other texts are.
  const std::string kData = ", \"data\": \"";
  for (const auto& f : fields) {
    const std::string& v = f.second;
    const size_t data = v.empty() || v[0] != '{' ? std::string::npos : v.find(kData);
    if (data != std::string::npos && v.size() >= 2 && v.compare(v.size() - 2, 2, "\"}") == 0) {
      out << ", " << JsonString(f.first) << ": " << v.substr(0, data) << ", "
          << TextMember("data", JsonStringBytes(v.substr(data + kData.size() - 1, v.size() - data - kData.size())),
                        codePage)
          << "}";
    } else if (!v.empty() && v[0] == '[') {
      out << ", " << JsonString(f.first) << ": " << RecodeStrings(v, codePage);
    } else if (v.empty() || v[0] != '"') {
      out << ", " << JsonString(f.first) << ": " << v;
    } else {
      out << ", " << TextMember(f.first, JsonStringBytes(v), codePage);
    }
  }
}

void PrintPlanJson(std::ostream& out, const Options& options, const Machine& machine,
                   const std::vector<RunResult>& runs) {
  const int cp = options.codePage;
  out << "{\n  \"launcher\": " << JsonText(machine.launcherFolder + "\\Setup.exe", cp)
      << ",\n  \"release\": " << JsonString(machine.releaseName) << ",\n  \"codePage\": " << options.codePage
      << ",\n  \"commandLine\": " << JsonText(LauncherCommandLine(options), cp)
      << ",\n  \"user\": " << JsonString(options.limitedUser ? "limited" : "admin") << ",\n  \"heldByAnotherProgram\": [";
  for (size_t i = 0; i < options.heldFiles.size(); ++i) out << (i ? ", " : "") << JsonText(options.heldFiles[i], cp);
  out << "],\n  \"warnings\": [";
  for (size_t i = 0; i < machine.warnings.size(); ++i) out << (i ? ", " : "") << JsonString(machine.warnings[i]);
  out << "],\n  \"runs\": [";
  for (size_t i = 0; i < runs.size(); ++i) {
    const RunResult& run = runs[i];
    out << (i ? "," : "") << "\n    {\"road\": " << JsonString(run.road) << ", \"removal\": "
        << (run.removal ? "true" : "false") << ", \"abandoned\": " << (run.abandoned ? "true" : "false")
        << (run.abandoned ? ", \"abandonedText\": " + JsonString(Abandoned(run)) : "")
        << ", \"text\": " << JsonText(run.roadText, cp)
        << ",\n     \"why\": [";
    for (size_t j = 0; j < run.why.size(); ++j) {
      const Effect& w = run.why[j];
      out << (j ? "," : "") << "\n       {\"record\": " << JsonString(w.kind);
      PrintFields(out, w.fields, cp);
      out << ", \"text\": " << JsonText(w.text, cp) << "}";
    }
    out << "],\n     \"effects\": [";
    for (size_t j = 0; j < run.effects.size(); ++j) {
      const Effect& e = run.effects[j];
      out << (j ? "," : "") << "\n       {\"kind\": " << JsonString(e.kind) << ", \"time\": " << e.time;
      PrintFields(out, e.fields, cp);
      out << ", \"text\": " << JsonText(e.text, cp) << "}";
    }
    out << "]}";
  }
  out << "\n  ]\n}\n";
}

}  // namespace plan
