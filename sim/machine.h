// Internal state of the simulated machine, shared by the sim/*.cpp files.
// Tests use sim.h, never this header.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sim.h"

namespace sim {

// Case-insensitive (ASCII) ordering of file paths, programs and printers.
struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};
std::string Upper(const std::string& s);
bool SameNoCase(const std::string& a, const std::string& b);

// Names as Windows compares them without regard to letter case (registry
// keys and values, window titles), read in `codePage`: the character at
// `*i` as one value with its case folded, `*i` moved past it. A double-byte
// character is one value (lead << 8 | trail); its trail byte is never folded
// alone, though it may look like an ASCII letter.
unsigned int NextFoldedChar(int codePage, std::string_view text, size_t* i);
// Key names in that order. Each map of subkeys keeps the code page it was
// made under, so that its order never changes under it.
struct KeyNameLess {
  explicit KeyNameLess(int page) : codePage(page) {}
  bool operator()(std::string_view a, std::string_view b) const;
  int codePage;
};

// Names hashed and compared as Windows compares them, in `codePage`.
size_t FoldedHash(int codePage, std::string_view s);
bool FoldedEqual(int codePage, std::string_view a, std::string_view b);

// A value: its name and data side by side in one string (one allocation, or
// none for a short value), its type beside them.
class RegValue {
 public:
  RegValue(std::string_view name, DWORD type, std::string_view data);
  std::string_view name() const { return std::string_view(bytes_.data(), nameSize_); }
  std::string_view data() const { return std::string_view(bytes_).substr(nameSize_); }
  DWORD type() const { return type_; }
  void SetData(DWORD type, std::string_view data);

 private:
  std::string bytes_;  // name, then data
  uint32_t nameSize_;
  DWORD type_;
};

// The values of one key in the order they were first set, which is the order
// they are enumerated in; a value set again keeps its place and the letter
// case of its first name. Found by name, ASCII letter case ignored: by a look
// along the few values most keys have, and through an index of positions
// once a key has many. A whole machine's registry holds a million values,
// many in one key: they are kept in chunks of fixed size, so that no value
// moves and no second copy of a key's values is ever held while it grows.
// A key without values holds nothing but a null pointer.
class RegValues {
 public:
  RegValues();
  ~RegValues();
  RegValues(RegValues&&) noexcept;
  RegValues& operator=(RegValues&&) noexcept;
  RegValue* Find(std::string_view name);
  void Set(std::string_view name, DWORD type, std::string_view data);
  void Erase(std::string_view name);
  size_t size() const;
  const RegValue& at(size_t i) const;

 private:
  struct Store;
  std::unique_ptr<Store> store_;
};

// A key: its values and subkeys, neither held by a key that has none (one
// null pointer). A whole machine's registry holds a million keys, many of
// them bare, so a key lies in its parent's list in 16 bytes with its name
// (a name of up to 6 bytes inside them, a longer one in the list's own
// text). Subkeys are found by name, letter case ignored as Windows ignores
// it, and enumerated in KeyNameLess order (of the code page the first was
// added under). A key may move when a sibling is deleted, never when one is
// added; nothing keeps a pointer to a key across a change of the registry.
class RegKey {
 public:
  RegKey();
  ~RegKey();
  RegKey(RegKey&&) noexcept;
  RegKey& operator=(RegKey&&) noexcept;

  // The subkey `child`, with its name as created in `spelled` when given.
  RegKey* Find(std::string_view child, std::string_view* spelled = nullptr) const;
  size_t SubkeyCount() const;
  RegKey* AddSubkey(std::string_view name);  // a name Find does not find
  // The subkey `name` with everything below it; false when there is none.
  bool EraseSubkey(std::string_view name);
  // The subkey at `index` of the enumeration order, and its name as created.
  std::string_view SubkeyName(size_t index) const;
  const RegKey& Subkey(size_t index) const;

  RegValue* FindValue(std::string_view name) { return body_ ? values().Find(name) : nullptr; }
  RegValues& values();              // made on first use
  const RegValues& values() const;  // an empty list for a key without values

 private:
  struct Subkeys;
  struct Body;
  std::unique_ptr<Body> body_;
};

struct Event {
  bool manualReset = false;
  bool signaled = false;
  int setCount = 0;
  int references = 0;  // open handles, the outside holder counted once
};

struct Program {
  std::function<DWORD()> behaviour;
  DWORD runsForMs = 0;
  // A run whose command line holds the text lasts the time given instead.
  std::vector<std::pair<std::string, DWORD>> runsForWhen;
  // A program this one starts as soon as it runs and waits for, as net.exe
  // hands its command to net1.exe: it runs as long as its parent's run.
  std::string worker;
  // Not 0: run by a limited user on 2000 or XP it is refused what it does
  // and ends at once with this code (net.exe managing a service).
  DWORD limitedUserExitCode = 0;
};

struct Process {
  DWORD exitCode = 0;
  DWORD endsAt = 0;  // INFINITE: it never ends by itself
  // ---- process list, suspension and jobs (sim/jobs.cpp) ----
  DWORD id = 0;
  DWORD parentId = 0;
  DWORD createdAt = 0;
  std::string path;
  int job = 0;  // 0: in no job
  bool suspended = false;
  bool endAsked = false;  // TerminateJobObject has asked it to end
  DWORD runsFor = 0;   // from the time it runs (a suspended start: from its resumption); its worker's too
  std::string worker;  // started when the process first runs
};

struct Window {
  std::string title;  // bytes as in the posed code page
  bool open = true;
  DLGPROC dialogProc = nullptr;  // set for dialogs shown by DialogBoxParamA
  bool ended = false;
  INT_PTR result = 0;
  std::map<int, LONG_PTR> longs;
  bool outside = false;  // opened by sim::OpenWindow: a top-level window FindWindowA sees
  int codePage = 0;      // ANSI code page posed when it was opened
  DWORD answersAfterMs = 0;  // its thread's time to handle a sent message; INFINITE: hung
};

struct Library {
  std::map<std::string, FARPROC> exports;
};

// A printer queue of the simulated spooler. DeletePrinter only marks it: it
// goes when its last handle is closed, as on Windows.
struct SpoolerPrinter {
  std::string name;
  std::string driver;
  bool deletePending = false;
};

struct HandleObject {
  explicit HandleObject(HandleKind k) : kind(k) {}
  HandleKind kind;
  std::string path;                 // Key: full path; Event: name; Module: path
  std::shared_ptr<Process> process; // Process, Thread
  int job = 0;                      // Job
  // File: the access and share modes it was opened with, and the read position.
  DWORD access = 0;
  DWORD share = 0;
  size_t position = 0;
  // Find: the folder searched, the matching names in listing order, the next one.
  std::string findFolder;
  std::vector<std::string> findNames;
  size_t findNext = 0;
  // ---- faults: what a key or event handle was opened with ----
  DWORD granted = 0;  // Key: REGSAM asked for; Event: access asked for
};

// A file or folder of the simulated file system (contents are in Machine::files).
struct FsNode {
  DWORD attributes = 0;  // FILE_ATTRIBUTE_* bits; DIRECTORY for folders
  uint64_t created = 0;  // creation order: the order FindFirstFileA lists in
};

// A file held open by another program.
struct FileHold {
  int id;
  std::string path;
  DWORD access;
  DWORD share;
};

// ---- maintenance dialog: controls, resources, painting ----
struct Control {
  uintptr_t dialog = 0;
  DialogControl item{};
  bool enabled = true;
  bool checked = false;
};
struct DialogState {
  std::vector<uintptr_t> controls;  // in template order
  LONG clientWidth = 0;
  LONG clientHeight = 0;
  uintptr_t font = 0;  // made by the dialog manager from the template
  uintptr_t bigIcon = 0;
  uintptr_t smallIcon = 0;
};
struct GdiObject {
  LOGFONTA font{};
  bool byProgram = false;  // CreateFontIndirectA; otherwise stock or dialog font
};
struct DeviceContext {
  uintptr_t window = 0;
  uintptr_t font = 0;
  COLORREF background = 0xFFFFFF;
};
// Called by DialogBoxParamA: builds the template's controls and font before
// WM_INITDIALOG, and removes them when the dialog has ended.
void CreateDialogParts(uintptr_t dialog, const std::string& templateName);
void DestroyDialogParts(uintptr_t dialog);
// SendMessageA's answer for a shown dialog or one of its controls: false
// when `window` is neither.
bool AnswerDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

struct FaultRule {
  std::string pattern;
  int nth;
  int seen = 0;
};

struct Scheduled {
  DWORD at;
  uint64_t order;
  std::function<void()> change;
};

struct Machine {
  RegKey hklm, hkcu;
  std::vector<RegistryDeletion> registryDeletions;
  std::map<std::string, std::string, NoCaseLess> files;
  std::string modulePath = "C:\\Pkg\\Setup.exe";
  std::string windowsDir = "C:\\WINDOWS";
  std::string systemDir = "C:\\WINDOWS\\SYSTEM32";
  OSVERSIONINFOA version{};
  int ansiCodePage = 1252;
  int mbCodePage = 0;  // code page of the _mbs* routines; 0 = single-byte
  DWORD lastError = 0;
  DWORD clock = 0;
  uint64_t scheduleOrder = 0;
  std::vector<Scheduled> schedule;

  std::vector<Call> calls;
  std::vector<FaultRule> faults;
  std::map<uintptr_t, HandleObject> handles;
  uintptr_t nextHandle = 0x1000;

  std::map<std::string, Event> events;  // case-sensitive, as on Windows
  std::map<std::string, Program, NoCaseLess> programs;
  std::vector<ProcessStart> starts;
  std::map<size_t, std::shared_ptr<Process>> startedProcesses;  // by index in starts
  std::vector<std::shared_ptr<Process>> processes;              // every process, workers too
  DWORD nextWorkerId = 4000;
  int nextJob = 1;
  std::set<int> killOnJobClose;   // jobs that end their processes when their last handle closes
  bool jobCountsEndAsked = true;  // false: a process leaves the job's count when asked to end
  int endlessWaits = 0;
  std::vector<MessageBoxShown> boxes;
  std::function<int(const MessageBoxShown&)> boxHandler;
  std::map<std::string, std::function<void(HWND)>> dialogTemplates;
  std::vector<DialogShown> dialogs;

  std::map<uintptr_t, Window> windows;
  uintptr_t nextWindow = 0x20000;
  int threadPriority = THREAD_PRIORITY_NORMAL;
  DWORD priorityClass = NORMAL_PRIORITY_CLASS;
  std::map<std::string, Library, NoCaseLess> libraries;
  std::vector<std::string> takenFromElsewhere;  // libraries the system took by bare name from outside its folder
  std::vector<std::string> systemLoaded;        // libraries the system loaded by bare name, by path
  DWORD pendingInstallsUntil = 0;  // Plug and Play installations pending until then

  // ---- file system (sim/filesystem.cpp) ----
  std::map<std::string, FsNode, NoCaseLess> nodes;  // by full path, no trailing backslash
  uint64_t nextCreation = 1;
  std::vector<FileHold> holds;
  int nextHold = 1;
  // ---- spooler and window enumeration (sim/spooler.cpp, sim/window_enum.cpp) ----
  std::map<std::string, SpoolerPrinter, NoCaseLess> printers;
  std::set<std::string, NoCaseLess> printerDrivers;
  std::map<uintptr_t, DWORD> printerAccess;                // printer handle -> granted access
  std::function<void()> betweenPrinterQueries;
  bool openPrinterGivesNull = false;
  std::map<void*, size_t> localBlocks;
  std::map<uintptr_t, std::vector<WindowMessage>> windowMessages;
  // ---- maintenance dialog: controls, resources, painting, search ----
  std::map<std::string, DialogLayout> dialogLayouts;
  std::map<uintptr_t, Control> controls;         // child windows of shown dialogs
  std::map<uintptr_t, DialogState> dialogStates;  // per shown dialog
  std::map<UINT, std::string> strings;
  std::map<UINT, uintptr_t> icons;                // icon id -> shared handle
  std::map<uintptr_t, GdiObject> gdiObjects;
  uintptr_t nextGdi = 0x50000;
  std::map<uintptr_t, DeviceContext> deviceContexts;
  std::vector<PaintOp> paintOps;
  std::map<std::string, std::string, NoCaseLess> environment = {{"PATH", "C:\\WINDOWS\\SYSTEM32;C:\\WINDOWS"}};
  std::string currentFolder = "C:\\Pkg";
  // ---- faults: access rights and opens (sim/access_rights.cpp) ----
  bool limitedUser = false;
  std::vector<KeyOpen> keyOpens;
  std::vector<EventOpen> eventOpens;
  std::vector<FileOpen> fileOpens;
  std::vector<EventCreate> eventCreates;
  std::vector<FileCopy> fileCopies;
  DWORD lastAttributesError = 0;  // of the last SetFileAttributesA; 0 when it succeeded
  bool readFailureReadsNothing = false;
  // ---- plans (sim/plan_observer.cpp) ----
  std::function<void(const Call&)> callObserver;
  bool keepCalls = true;  // false: calls are observed, not logged (a plan's long waits)
  size_t keyOpenCount = 0;
  bool quiet = false;  // EndProcess: calls are neither recorded nor observed
  // ---- multibyte walks past the end of a text ----
  int multibyteWalksPastText = 0;
};

Machine& M();

// Records a call and tells whether a fault rule makes it fail.
bool Enter(const char* function, const std::string& detail = std::string());

uintptr_t NewHandle(HandleObject object);
HandleObject* Lookup(const void* handle, HandleKind kind);
void DropHandle(const void* handle);

// Registry helpers: the key at a path below a root, or nullptr.
// Whether a kernel object name is too long for the A calls: they convert it
// into MAX_PATH UTF-16 units with its zero (seen under Wine: 259 characters
// are taken, 260 refused with ERROR_FILENAME_EXCED_RANGE). A double-byte
// character of the ANSI code page is one unit.
bool TooLongForObjectName(const std::string& name);
// UTF-16 little-endian bytes as text of the ANSI code page ('?' for a
// character it lacks), without a call being recorded.
std::string NarrowUtf16Text(const std::string& bytes);

RegKey* Resolve(RegKey* root, const std::string& path);
RegKey* ResolveOrCreate(RegKey* root, const std::string& path, bool* created);
// Splits "HKCU\..." (or "HKLM\...") off a sim.h path; everything else is
// under HKLM.
RegKey* RootFor(const std::string& path, std::string* rest);
// Whether a key name spells a root's name ("HKCU", "HKLM") in a sim.h path.
bool NamesARoot(const std::string& name);
// The sim.h path of the key `parts` below `root`: an HKCU key with "HKCU\"
// in front; an HKLM key bare, unless its first name spells a root, when
// "HKLM\" goes in front so that the path cannot be read as another root's.
std::string KeyPathText(const RegKey* root, const std::vector<std::string>& parts);

// File system bookkeeping for the contents map: a file written gets its node
// (and its folders) if new; a file removed loses it.
void NoteFileWritten(const std::string& path);
void NoteFileRemoved(const std::string& path);

// ---- faults: access rights (sim/access_rights.cpp) ----
// Whether a key may be opened or created with `access` (noted either way),
// and whether an open key or event handle allows `needed`.
bool KeyAccessAllowed(const char* function, const std::string& path, REGSAM access);
bool HandleAllows(const void* handle, DWORD needed);
bool IsNt();
bool LimitedUserOnNt();
// Whether a limited user may not change the file at `path` (below the
// Windows folder, on 2000 and XP).
bool ProtectedFromUser(const std::string& path);

// ---- processes (sim/jobs.cpp) ----
// The launcher's own process id, the parent of every program it starts.
const DWORD kLauncherProcessId = 50;
// A function of the simulator as a library's export.
template <typename Fn>
FARPROC AsExport(Fn function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(function));
}
// Lets a process that was started or resumed run: its time starts, and it
// starts its worker.
void RunProcess(const std::shared_ptr<Process>& process);
// Ends a process as TerminateProcess and TerminateJobObject do: a moment
// after the call returns.
void EndProcessSoon(Process& process, DWORD exitCode);
// A module loaded in the process whose base name is `name` (the launcher's
// loads and those of the system), or NULL.
HMODULE LoadedModule(const std::string& name);
// The window system shows the process's first window: what it loads by name.
void FirstWindowShown();
// A job handle was closed: where it was the job's last and the job is set
// to end its processes then, they are ended.
void JobHandleClosed(int job);
// The late exports of the loaded kernel32 (GetModuleHandleA's module).
bool IsKernel32(HMODULE module);
FARPROC Kernel32Export(HMODULE module, const std::string& name);
// Whether `c` is a lead byte in the posed ANSI code page, or in `codePage`.
bool IsAnsiLeadByte(unsigned char c);
bool IsLeadByteIn(int codePage, unsigned char c);

// Runs scheduled changes whose time has come.
void AdvanceClock(DWORD ms);

}  // namespace sim
