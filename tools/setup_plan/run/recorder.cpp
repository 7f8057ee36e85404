#include "recorder.h"

#include <algorithm>
#include <cstdlib>

#include "call_text.h"
#include "options.h"
#include "plan_text.h"
#include "records/records.h"
#include "removal/fixup_names.h"

namespace plan {
namespace {

// A loop that never waits: no road makes more calls without the clock
// moving than a few dozen per key and value of the registry (a full pass
// over the device tree), or a million on a small machine.
const unsigned long long kStandingCallsPerEntry = 64;
const unsigned long long kStandingCallsAtLeast = 1000000;

}  // namespace

Recorder::Recorder(const std::string& launcherFolder, unsigned long maxWaitMs, const std::string& hardwareIds,
                   const std::string& setupClass)
    : folder_(launcherFolder), maxWaitMs_(maxWaitMs), scan_(hardwareIds, setupClass) {}

void Recorder::Start(const std::map<HWND, std::string>& windows) {
  windows_ = windows;
  startClock_ = sim::Now();
  endlessWaitsAtStart_ = sim::EndlessWaits();
  unsigned long long entries = 0;
  sim::VisitRegistry([&entries](const std::string&, const sim::RegValueList& values) { entries += 1 + values.size(); });
  standingLimit_ = kStandingCallsAtLeast + kStandingCallsPerEntry * entries;
  standingSince_ = startClock_;
  sim::KeepCallLog(false);
  sim::ObserveCalls([this](const sim::Call& call) { OnCall(call); });
}

void Recorder::Stop() {
  Flush();
  SettleInfExamined(sim::Call{});
  FlushScan();
  SettleKept();
  sim::ObserveCalls(nullptr);
  sim::KeepCallLog(true);
  for (Effect& e : effects_) {
    if (e.kind != "program-started") continue;
    bool waited = false;
    for (const auto& f : e.fields) waited = waited || (f.first == "waited" && f.second == "true");
    if (!waited) {
      e.fields.push_back(JBool("waited", false));
      e.text += ", not waited for";
    }
  }
  for (const auto& d : departures_) effects_[d.first].text += " [departs: " + d.second + "]";
  // A wait is told when it has ended, with the time it began: what happened
  // meanwhile (a scheduled change, a program's effect) comes after it. Last,
  // as the departures name their effects by place.
  std::stable_sort(effects_.begin(), effects_.end(), [](const Effect& a, const Effect& b) { return a.time < b.time; });
}

void Recorder::Add(const std::string& kind, const std::string& text, Fields fields) {
  AddAt(sim::Now(), kind, text, std::move(fields));
}

void Recorder::AddAt(DWORD clock, const std::string& kind, const std::string& text, Fields fields) {
  FlushScan();
  effects_.push_back(Effect{kind, clock - startClock_, text, std::move(fields)});
}

// The last line is one where the launcher acts otherwise than the classic
// launcher did (README: where the launcher departs): says what that did.
void Recorder::Departs(const std::string& classic) {
  effects_.back().fields.push_back(JText("departure", classic));
  departures_.emplace_back(effects_.size() - 1, classic);
}

void Recorder::Flush(bool duringCall) {
  if (!pending_) return;
  // A wait for a program or for Windows is still going on: it is settled
  // when it has ended, so that its duration is whole.
  const std::string& f = call_.function;
  if (duringCall && (f == "WaitForSingleObject" || f == "CMP_WaitNoPendingInstallEvents")) return;
  pending_ = false;
  Settle();
}

void Recorder::OnCall(const sim::Call& call) {
  if (abandoned_) return;  // the run is unwinding; closing handles is not news
  Flush();
  SettleInfExamined(call);
  const std::string& f = call.function;
  const bool waits = f == "Sleep" || f == "WaitForSingleObject" || f == "CMP_WaitNoPendingInstallEvents";
  if (sim::EndlessWaits() > endlessWaitsAtStart_) {
    abandoned_ = true;
    Add("abandoned", "waits for something that never comes (a program that never ends, a window that never "
                     "answers): the launcher would wait on; the plan stops here");
    throw RunAbandoned();
  }
  if ((waits || f == "SendMessageTimeoutA") && sim::Now() >= kMaxVirtualMs) {
    abandoned_ = true;
    Add("abandoned", "still waiting when the virtual clock reaches " + std::to_string(kMaxVirtualMs) +
                         " ms (about 24.8 days), as far as a plan follows it; the plan stops here",
        {JText("reason", "end of the virtual clock")});
    throw RunAbandoned();
  }
  if (waits && sim::Now() - startClock_ >= maxWaitMs_) {
    abandoned_ = true;
    Add("abandoned", "still waiting after " + std::to_string(sim::Now() - startClock_) +
                         " ms of virtual time: the launcher would wait on; the plan stops here");
    throw RunAbandoned();
  }
  if (call.time != standingSince_) {
    standingSince_ = call.time;
    standingCalls_ = 0;
  } else if (++standingCalls_ > standingLimit_) {
    abandoned_ = true;
    Add("abandoned", "makes " + std::to_string(standingCalls_) + " calls without the clock moving (" +
                         std::to_string(kStandingCallsPerEntry) + " per registry key and value, at least " +
                         std::to_string(kStandingCallsAtLeast) + "): a loop that never waits; the plan stops here",
        {JText("reason", "calls without waiting")});
    throw RunAbandoned();
  }
  // A steady poll: the clock passes over the cycles that would only repeat.
  DWORD cycleMs = 0;
  const DWORD patience = static_cast<DWORD>(std::min<unsigned long long>(
      static_cast<unsigned long long>(startClock_) + maxWaitMs_, kMaxVirtualMs));
  const unsigned long cycles = pollSkip_.OnCall(call, std::min(sim::NextChangeAt(), patience), &cycleMs);
  if (cycles) sim::PassTime(static_cast<DWORD>(cycles) * cycleMs);
  skippedCycles_ = cycles;
  NoteVersionCheck(call);
  call_ = call;
  pending_ = true;
  if (f == "CreateEventA" && !signs_.instanceEventCreated) {
    signs_.instanceEventCreated = true;
    signs_.anotherCopy = sim::EventExists(call.detail);
    instanceEventPending_ = true;
  } else if (f == "DeleteFileA") {
    existedBefore_ = sim::FileExists(call.detail);
  } else if (f == "CopyFileA" || f == "WritePrivateProfileStringA") {
    const std::string target = f == "CopyFileA" ? Split(call.detail, " -> ").back() : Split(call.detail, " [")[0];
    existedBefore_ = sim::FileExists(target);
    contentBefore_ = existedBefore_ ? sim::ReadFile(target) : std::string();
    signs_.handoff = signs_.handoff || f == "CopyFileA";
  } else if (f == "RegCreateKeyExA" || f == "RegOpenKeyExA") {
    existedBefore_ = sim::KeyExists(call.detail);
    keyOpensBefore_ = sim::KeyOpenCount();
  } else if (f == "SendMessageA" || f == "SendMessageTimeoutA") {
    for (const auto& w : windows_) messagesBefore_[w.first] = sim::MessagesReceived(w.first).size();
  } else if (f == "CreateProcessA") {
    NoteHeldFiles();
  } else if (f == "OpenPrinterA") {
    printerHandlesBefore_ = sim::OpenHandles(sim::HandleKind::Printer);
  } else if (f == "CreateFileA") {
    fileOpen_ = sim::FileOpens().back();
    fileHandlesBefore_ = sim::OpenHandles(sim::HandleKind::File);
  } else if (f == "SetFileAttributesA") {
    existedBefore_ = sim::FileExists(call.detail.substr(0, call.detail.rfind(' ')));
  } else if (f == "LoadLibraryExA" || f == "LoadLibraryA") {
    moduleHandlesBefore_ = sim::OpenHandles(sim::HandleKind::Module);
    signs_.removal = signs_.removal || EndsWithNoCase(Split(call.detail, "|")[0], "\\winspool.drv");
  } else if (f == "GetPrivateProfileStringA") {
    // "PATH [SECTION] KEY": the keys of the package's InstallInfo.ini read.
    const size_t section = call.detail.find(" [");
    if (section != std::string::npos && EndsWithNoCase(call.detail.substr(0, section), records::kInstallInfoFileName) &&
        std::find(infoKeysRead_.begin(), infoKeysRead_.end(), call.detail.substr(section + 1)) == infoKeysRead_.end())
      infoKeysRead_.push_back(call.detail.substr(section + 1));
  }
}

// The instance event: another copy's, made, or refused (a name too long for
// it), in which case the launcher goes on without one.
void Recorder::SettleInstanceEvent() {
  instanceEventPending_ = false;
  const sim::EventCreate& event = sim::EventCreates().back();
  const std::string kind = std::string(event.manualReset ? "manual reset" : "auto reset") +
                           (event.initiallySet ? ", initially set" : ", initially not set");
  const bool made = !signs_.anotherCopy && sim::EventExists(call_.detail);
  const std::string name = "the instance event \"" + call_.detail + "\" (" + kind;
  Add("instance-event",
      signs_.anotherCopy ? "instance event \"" + call_.detail + "\" (" + kind + ") already exists: another copy is running"
      : made             ? "creates " + name + "; held until the launcher ends)"
                         : "tries to create " + name + "): refused (error " + std::to_string(GetLastError()) +
                               (GetLastError() == ERROR_FILENAME_EXCED_RANGE ? ", ERROR_FILENAME_EXCED_RANGE: a name "
                                                                               "holds at most 259 characters"
                                                                             : "") +
                               "); the launcher goes on without it, and another copy could start beside it",
      {JText("name", call_.detail), JBool("existed", signs_.anotherCopy), JBool("created", made),
       JBool("manualReset", event.manualReset), JBool("initiallySet", event.initiallySet)});
}

void Recorder::Settle() {
  const std::string& f = call_.function;
  if (f == "CreateEventA" && instanceEventPending_) return SettleInstanceEvent();
  if (f == "CreateProcessA") return SettleProcessStart();
  if (f == "DeleteFileA" || f == "CopyFileA" || f == "WritePrivateProfileStringA") return SettleFile();
  if (f == "RegCreateKeyExA" || f == "RegSetValueExA") return SettleRegistry();
  if (f == "RegOpenKeyExA") return SettleKeyOpen();
  if (f == "RegQueryValueExA" || f == "RegEnumKeyExA") return SettleValueRead();
  if (f == "CreateFileA") return SettleFileOpen();
  if (f == "LoadLibraryExA" || f == "LoadLibraryA") return SettleLibrary();
  if (f == "Sleep" || f == "WaitForSingleObject" || f == "CMP_WaitNoPendingInstallEvents") return SettleWait();
  if (f == "SendMessageA" || f == "SendMessageTimeoutA") return SettleMessages();
  if (f == "MessageBoxA" && !sim::MessageBoxes().empty()) {
    const sim::MessageBoxShown& box = sim::MessageBoxes().back();
    signs_.caution = true;
    Add("message-box", "shows a message box \"" + box.caption + "\": " + box.text,
        {JText("caption", box.caption), JText("message", box.text)});
  } else if (f == "DialogBoxParamA") {
    signs_.dialog = true;
    Add("dialog", "shows the maintenance dialog (template " + call_.detail + ")", {JText("template", call_.detail)});
  } else if (f == "SetEvent" && call_.detail == records::kCompletionEventName) {
    signs_.completionSet = true;
    Add("completion-event", "sets the completion event \"" + call_.detail + "\"", {JText("name", call_.detail)});
  } else if (f == "OpenEventA" && call_.detail == records::kCompletionEventName) {
    const DWORD access = sim::EventOpens().empty() ? 0 : sim::EventOpens().back().access;
    const bool found = sim::EventExists(call_.detail);
    Add(found ? "completion-event-opened" : "completion-event-missing",
        "opens the completion event with " + EventAccessText(access) +
            (found ? "" : ": it does not exist (no program waits), nothing to set"),
        {JText("name", call_.detail), JText("access", EventAccessText(access)), JNumber("accessMask", access),
         JBool("found", found)});
  } else if (f == "TerminateProcess") {
    const std::vector<std::string> parts = Split(call_.detail, "|");
    const unsigned long code = parts.size() > 1 ? strtoul(parts[1].c_str(), NULL, 10) : 0;
    Add("program-ended", "ends " + parts[0] + ", which is still running (TerminateProcess, exit code " +
                             std::to_string(code) + ")",
        {JText("program", parts[0]), JNumber("exitCode", code)});
    Departs("the classic launcher waits for it without a limit");
  } else if (f == "AssignProcessToJobObject") {
    const bool joined = sim::InJob(call_.detail);
    Add(joined ? "program-in-job" : "program-not-in-job",
        joined ? "puts " + call_.detail + " into a job of its own, which the programs it starts join too "
                 "(AssignProcessToJobObject)"
               : "cannot put " + call_.detail + " into a job of its own (AssignProcessToJobObject): it is ended "
                 "by its process id if it must be",
        {JText("program", call_.detail), JBool("joined", joined)});
  } else if (f == "SetInformationJobObject" && call_.detail == "9|8192") {
    Add("job-ends-with-launcher",
        "makes a job that ends the programs of the command started next when the launcher goes, ended or failing "
        "(JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE)",
        {JText("limit", "JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE")});
    Departs("the classic launcher leaves the command running when it goes");
  } else if (f == "ResumeThread") {
    Add("program-resumed", "lets " + call_.detail + " run (ResumeThread)", {JText("program", call_.detail)});
  } else if (f == "TerminateJobObject") {
    const std::vector<std::string> parts = Split(call_.detail, "|");
    const unsigned long running = parts.size() > 2 ? strtoul(parts[1].c_str(), NULL, 10) : 0;
    const unsigned long code = parts.size() > 2 ? strtoul(parts[2].c_str(), NULL, 10) : 0;
    Add("job-ended",
        "ends " + parts[0] + " and every program it started, " + std::to_string(running) +
            " still running in its job (TerminateJobObject, exit code " + std::to_string(code) + ")",
        {JText("program", parts[0]), JNumber("running", running), JNumber("exitCode", code)});
    Departs("the classic launcher waits for it without a limit");
  } else if (f == "OpenPrinterA") {
    const std::vector<std::string> parts = Split(call_.detail, "|");
    const unsigned long access = parts.size() > 1 ? strtoul(parts[1].c_str(), NULL, 16) : 0;
    const bool opened = sim::OpenHandles(sim::HandleKind::Printer) > printerHandlesBefore_;
    const DWORD error = GetLastError();
    std::string result;
    if (!opened && error == ERROR_ACCESS_DENIED) result = ": refused, a limited user may not manage printers";
    else if (!opened && error == ERROR_INVALID_PRINTER_NAME) result = ": there is no such queue";
    else if (!opened) result = ": not opened (error " + std::to_string(error) + ")";
    Add("printer-opened", "opens the printer queue \"" + parts[0] + "\" with " + PrinterAccessText(access) + result,
        {JText("printer", parts[0]), JText("access", PrinterAccessText(access)), JNumber("accessMask", access),
         JBool("opened", opened)});
  } else if (f == "DeletePrinter") {
    Add("printer-deleted", "deletes the printer queue \"" + call_.detail + "\"", {JText("printer", call_.detail)});
  } else if (f == "DeletePrinterDriverA" || f == "DeletePrinterDriverExA") {
    const std::vector<std::string> parts = Split(call_.detail, "|");
    const std::string driver = parts.size() > 2 ? parts[2] : call_.detail;
    const bool gone = !sim::PrinterDriverExists(driver);
    std::string how = f;
    Fields fields = {JText("driver", driver), JText("call", f)};
    if (parts.size() > 4) {
      const unsigned long flags = strtoul(parts[3].c_str(), NULL, 10);
      const unsigned long version = strtoul(parts[4].c_str(), NULL, 10);
      how += ", " + DriverDeleteFlagsText(flags) + ", version " + std::to_string(version);
      fields.push_back(JText("flags", DriverDeleteFlagsText(flags)));
      fields.push_back(JNumber("deleteFlags", flags));
      fields.push_back(JNumber("version", version));
    }
    Add(gone ? "driver-deleted" : "driver-kept",
        (gone ? "deletes the printer driver \"" : "cannot delete the printer driver \"") + driver + "\" (" + how + ")",
        std::move(fields));
  } else if (f == "SetFileAttributesA" && existedBefore_) {
    const size_t blank = call_.detail.rfind(' ');
    const std::string path = call_.detail.substr(0, blank);
    const unsigned long attributes = strtoul(call_.detail.c_str() + blank + 1, NULL, 10);
    const DWORD error = sim::LastSetAttributesError();
    std::string result = "set";
    std::string why;
    if (error == ERROR_ACCESS_DENIED) {
      result = "refused";
      why = sim::LimitedUser() ? "refused, a limited user may not change files there" : "refused (ERROR_ACCESS_DENIED)";
    } else if (error) {
      result = "failed";
      why = "failed (error " + std::to_string(error) + ")";
    }
    Add("file-attributes",
        (error ? "cannot set the attributes of " : "sets the attributes of ") + path + " to " + AttributesText(attributes) +
            (error ? ": " + why + "; they stay as they were" : ""),
        {JText("path", path), JText("attributes", AttributesText(attributes)), JNumber("attributesMask", attributes),
         JText("result", result)});
  } else if (f == "CloseHandle" && !heldFiles_.empty() && Upper(heldFiles_.back()) == Upper(call_.detail)) {
    heldFiles_.pop_back();
    Add("file-released", "lets go of " + call_.detail + ": other programs may change it again", {JText("path", call_.detail)});
  } else if (f == "FindWindowA") {
    StartScanRead(false);
    scan_.WindowSearched(call_.detail, sim::WindowFound(call_.detail));
  } else if (f == "SearchPathA") {
    const std::string program = Split(call_.detail, "|").back();
    lookups_.push_back(Lookup{f, program, "", sim::FileExists(program)});
  }
}

// The launcher reads the versions of the system's copy of a runtime library
// and of the package's (opening, seeking, reading, closing), then copies or
// not: any other call, or the next library, settles it as kept.
void Recorder::NoteVersionCheck(const sim::Call& call) {
  const std::string& f = call.function;
  if (f == "SetFilePointer" || f == "ReadFile" || f == "CloseHandle") return;
  if (f == "CreateFileA" && !versionChecked_.empty() && Upper(call.detail) == Upper(versionOffered_)) return;
  if (f == "CopyFileA" && Upper(Split(call.detail, " -> ").back()) == Upper(versionChecked_)) versionChecked_.clear();
  SettleKept();
  if (f != "CreateFileA") return;
  for (const char* name : fixups::kRuntimeLibraries) {
    if (!EndsWithNoCase(call.detail, name) || Upper(call.detail) == Upper(folder_ + name)) continue;
    versionChecked_ = call.detail;
    versionOffered_ = folder_ + name;
  }
}

}  // namespace plan
