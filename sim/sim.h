// The simulated Windows: an in-memory machine behind the Win32 names that
// src/platform/win32_host.h declares. Tests set the machine up and inspect it
// through this API; the launcher only ever sees the Win32 functions.
//
// Paths given to this API are registry paths relative to HKEY_LOCAL_MACHINE
// (or starting with "HKCU\"), and file paths in Windows form ("C:\Pkg\a.ini").
// Names compare without regard to ASCII letter case, as Windows does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace sim {

// ---- whole machine ------------------------------------------------------
// Forget everything: empty registry and files, no events, clock at 0,
// Windows XP SP3, code page 1252, module path C:\Pkg\Setup.exe; only the
// folders C:\WINDOWS\SYSTEM32 and C:\WINDOWS\inf exist.
void Reset();

// ---- calls, failures, handles -------------------------------------------
struct Call {
  std::string function;  // "RegOpenKeyExA"
  std::string detail;    // the salient arguments, e.g. the key path
  DWORD time;            // virtual clock when the call was made
};
const std::vector<Call>& Calls();
int CallCount(const std::string& function);
// Index in Calls() of the first call of `function` at or after `from`; -1 if none.
int FindCall(const std::string& function, size_t from = 0);
void ClearCalls();

// Make the nth (1-based) call matching `pattern` fail. A pattern is a function
// name, or a prefix followed by '*' ("Reg*" = every registry call). Each rule
// counts its own matches from the moment it is added.
void FailCall(const std::string& pattern, int nth);
void ClearFailures();

enum class HandleKind { Key, Event, Process, Thread, Module, File, Find, Printer, Job, Snapshot, Any };
int OpenHandles(HandleKind kind = HandleKind::Any);

// ---- version and code page -----------------------------------------------
enum class Release { Win95, Win98, Win98SE, WinMe, NT4, Win2000, WinXP, Win2003, Win7, Win32s };
void PoseAs(Release release);
bool IsNt();  // the posed release is of the NT family
void SetVersion(DWORD platform, DWORD major, DWORD minor, DWORD build, const std::string& csd);
void SetAnsiCodePage(int codePage);  // 1252, 1250, 1251, 932, 936 or 949
int AnsiCodePage();

// ---- registry ----------------------------------------------------------
void CreateKey(const std::string& path);
void DeleteKey(const std::string& path);  // with its subkeys
bool KeyExists(const std::string& path);
void SetValue(const std::string& path, const std::string& name, DWORD type, const std::string& data);  // creates the key
// REG_SZ with its terminating zero counted, as RegSetValueExA stores it.
void SetString(const std::string& path, const std::string& name, const std::string& text);
bool ValueExists(const std::string& path, const std::string& name);
std::string GetValue(const std::string& path, const std::string& name);  // raw bytes, "" if absent
DWORD GetValueType(const std::string& path, const std::string& name);
void DeleteValue(const std::string& path, const std::string& name);

// ---- files -------------------------------------------------------------
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
std::string ReadFile(const std::string& path);
void RemoveFile(const std::string& path);
void SetModulePath(const std::string& path);  // what GetModuleFileNameA(NULL) reports
void SetWindowsDirectory(const std::string& path);  // default C:\WINDOWS
void SetSystemDirectory(const std::string& path);   // default C:\WINDOWS\SYSTEM32
std::string WindowsFolder();
std::string SystemFolder();

// ---- file system: folders, attributes, creation order, other holders -------
// WriteFile creates the file's folders as needed; a new file gets
// FILE_ATTRIBUTE_ARCHIVE. FindFirstFileA lists a folder in the order its
// entries were created (as FAT does; NTFS and Wine sort by name).
void CreateFolder(const std::string& path);  // with its parents
// `path` as Windows looks it up in the posed code page: no trailing
// backslash ("C:\\" is "C:"), its last part without trailing blanks and dots.
std::string WindowsPath(const std::string& path);
bool FolderExists(const std::string& path);
// What GetFileAttributesA reports (FILE_ATTRIBUTE_NORMAL for a file with no
// other attribute); INVALID_FILE_ATTRIBUTES when nothing is there.
DWORD Attributes(const std::string& path);
void SetAttributes(const std::string& path, DWORD attributes);
// Names of the entries directly in `folder`, in creation order.
std::vector<std::string> FolderEntries(const std::string& folder);
// Another program opens `path` with CreateFileA's access and share modes and
// keeps it open until ReleaseFile; returns the hold's id.
int HoldFile(const std::string& path, DWORD access, DWORD share);
void ReleaseFile(int hold);
// Whether another program, sharing everything itself, could open `path` with
// `access` (GENERIC_READ / GENERIC_WRITE) given every open handle and hold.
bool OtherProgramCouldOpen(const std::string& path, DWORD access);

// ---- named events --------------------------------------------------------
// An event held by a program outside the launcher (e.g. the completion waiter).
void CreateOutsideEvent(const std::string& name, bool manualReset);
bool EventExists(const std::string& name);
bool EventSignaled(const std::string& name);
int EventSetCount(const std::string& name);

// ---- processes -----------------------------------------------------------
struct ProcessStart {
  std::string applicationName;  // "" when NULL was passed
  std::string commandLine;
  bool applicationNameNull;
  BOOL inheritHandles;
  DWORD creationFlags;
  bool environmentNull;
  bool currentDirectoryNull;
  DWORD startupInfoSize;
  bool started;  // whether a program file was found
  DWORD time;
  // ---- show state (hidden "net" commands) ----
  DWORD startupFlags;  // STARTUPINFOA dwFlags
  WORD showWindow;     // STARTUPINFOA wShowWindow
  // Programs still running when it started (its own workers' earlier runs
  // included), by path.
  std::vector<std::string> runningAtStart;
};
const std::vector<ProcessStart>& ProcessStarts();
// A program that can be started: `path` must also exist as a file. Its
// behaviour runs when it starts; its exit code is what it returns. The
// process counts as running until `runsForMs` of virtual time has passed.
void DefineProgram(const std::string& path, std::function<DWORD()> behaviour = nullptr, DWORD runsForMs = 0);
// INFINITE as a program's or run's time: it never ends by itself (only
// TerminateProcess ends it).
// Whether the program of ProcessStarts()[start] still runs (false once it
// has ended, been ended, or did not start).
bool ProcessRunning(size_t start);
// Makes the program at `path` start `worker` (a program defined as well)
// when it runs and wait for it, as net.exe starts net1.exe: the worker runs
// as long as the run of its parent would have, and goes on running when only
// its parent is ended.
void SetProgramWorker(const std::string& path, const std::string& worker);
// A program that another program started at the current time and that never
// ends by itself, with `parentId` as its parent's process id.
void AddRunningProcess(const std::string& path, DWORD parentId);
// How a job counts a process that TerminateJobObject has asked to end, in
// its ActiveProcesses and its process id list: until the process has gone, a
// moment after the request (true, the default), or no more from the moment
// of the request (false, as ReactOS's kernel does and NT 5's is taken to;
// Wine's server ends the process before TerminateJobObject returns).
void JobCountsEndingProcesses(bool untilGone);
// Whether a running process of `program` is in a job.
bool InJob(const std::string& program);
// Programs still running, the launcher's and those they started, by path.
std::vector<std::string> RunningPrograms();
// Waits the launcher entered that could never end (a wait without limit for
// a process or event nothing will end or set, a SendMessageA to a hung
// window). Each returns at once, as a failure, so that a test can go on.
int EndlessWaits();

// ---- user interface --------------------------------------------------------
struct MessageBoxShown {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
  DWORD time;
};
const std::vector<MessageBoxShown>& MessageBoxes();
// Called while the box is "on screen"; returns the button pressed (IDOK if unset).
void OnMessageBox(std::function<int(const MessageBoxShown&)> handler);

struct DialogShown {
  std::string templateName;  // "#102" for an integer resource
  HWND parent;
  DWORD time;
};
const std::vector<DialogShown>& Dialogs();
// Registers a dialog template so DialogBoxParamA can show it. `script` runs
// while the dialog is shown, with the dialog procedure already initialised:
// it may send messages through SendToDialog and decides the end result.
void DefineDialog(const std::string& templateName, std::function<void(HWND)> script = nullptr);
INT_PTR SendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- top-level windows ------------------------------------------------------
// A top-level window of another process; `title` is its bytes in the posed
// code page. FindWindowA finds it until it is closed; a title with non-ASCII
// bytes is found only while the same ANSI code page is posed.
HWND OpenWindow(const std::string& title);
void CloseWindow(HWND window);
// Whether FindWindowA without a class finds a window titled `title` now.
bool WindowFound(const std::string& title);
// How long the window's thread takes to handle a message sent to it (0 at
// first). INFINITE: the thread no longer takes its messages (hung for long,
// as Windows judges with SMTO_ABORTIFHUNG). A message the window handles
// only after the sender has given up is received then (at a later Sleep).
void WindowAnswersAfter(HWND window, DWORD ms);

// ---- thread and process priority ----------------------------------------------
int ThreadPriority();        // of the launcher's thread
DWORD ProcessPriorityClass();

// ---- libraries loaded at run time ------------------------------------------
// A DLL file at `path` (e.g. C:\WINDOWS\SYSTEM32\cfgmgr32.dll) with its exports.
void DefineLibrary(const std::string& path, const std::vector<std::pair<std::string, FARPROC>>& exports);
// Defines cfgmgr32.dll in the system folder (with setupapi.dll and
// rpcrt4.dll), with CMP_WaitNoPendingInstallEvents when `withExport`. That
// export waits (advancing the clock) until the pending installations are
// done or its time-out passes.
void InstallConfigManager(bool withExport = true);
// The libraries loaded ("+NAME|FLAGS" for LoadLibraryExA) and released
// ("-NAME") so far, in order, separated by blanks; NAME is relative to the
// system folder, or the full path of a library elsewhere.
std::string LibraryTrail();
// Libraries that a system library or the window system looked for by bare
// name and took from outside the system folder (a planted copy), by path.
const std::vector<std::string>& LibrariesTakenFromElsewhere();
// Whether the posed release takes the library `name` from its system folder
// whatever lies elsewhere (a KnownDLL of 2000 and XP).
bool IsKnownDll(const std::string& name);
// Plug and Play device installations stay pending until the clock reaches `atMs`.
void SetPendingInstallsUntil(DWORD atMs);

// ---- virtual clock --------------------------------------------------------
DWORD Now();
// Runs `change` when the clock reaches `atMs` (during a Sleep that passes it).
void At(DWORD atMs, std::function<void()> change);

// ---- spooler, window enumeration and the net command (printer removal) ----
// winspool.drv in the system folder exporting OpenPrinterA, GetPrinterA,
// DeletePrinter, ClosePrinter, DeletePrinterDriverA and DeletePrinterDriverExA,
// except the names in `missing`, with the spooler's libraries of the posed
// release beside it: spoolss.dll on 98 and Me; spoolss.dll, localspl.dll,
// compstui.dll and comctl32.dll on 2000 and later. Pose the release first.
// Each call can be made to fail with FailCall.
void InstallWinspool(const std::vector<std::string>& missing = {});
// A printer driver, and a queue that uses one. Names compare without regard
// to case, as the spooler's do.
void AddPrinterDriver(const std::string& driver);
void AddPrinter(const std::string& printer, const std::string& driver);
bool PrinterExists(const std::string& printer);
bool PrinterDriverExists(const std::string& driver);
// The queues (a deleted one until its last handle is closed) and drivers.
std::vector<std::string> PrinterNames();
std::vector<std::string> PrinterDriverNames();
// Runs `change` once, right after the next GetPrinterA call that reports a
// buffer too small: the queue's information can change between the size
// query and the read.
void BetweenPrinterQueries(std::function<void()> change);
// OpenPrinterA reports success but gives a NULL handle.
void OpenPrinterGivesNullHandle(bool enable);
// Heap blocks from LocalAlloc not yet released.
int LocalBlocks();

// The system folder's net.exe: each run lasts `runsForMs` of virtual time,
// a "net stop" `stopRunsForMs` (INFINITE: it asks a question on its hidden
// console and never ends).
void InstallNetCommand(DWORD runsForMs = 0);
void InstallNetCommand(DWORD runsForMs, DWORD stopRunsForMs);

struct WindowMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
};
// Messages a window has handled (sent with SendMessageA or
// SendMessageTimeoutA), also after it has closed.
std::vector<WindowMessage> MessagesReceived(HWND window);
// ---- maintenance dialog: layouts, controls, resources, painting, search ----
// The controls and font of a dialog template, created when DialogBoxParamA
// shows it. Client size in pixels.
struct DialogControl {
  int id;
  std::string className;  // "BUTTON", "STATIC"
  DWORD style;
  std::string text;
};
struct DialogLayout {
  std::vector<DialogControl> controls;
  LONG clientWidth = 501;
  LONG clientHeight = 313;
  std::string fontFace = "MS Sans Serif";
  LONG fontHeight = -11;
};
void DefineDialogLayout(const std::string& templateName, const DialogLayout& layout);
// String table entries and icons of the program's resources.
void DefineString(UINT id, const std::string& text);
void DefineIcon(UINT id);

// State of a shown dialog's controls (use inside a DefineDialog script).
HWND ControlOf(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);
bool ControlChecked(HWND dialog, int id);
DWORD ControlStyle(HWND dialog, int id);
// A user's mouse click on control `id`: nothing when it is disabled (false);
// an automatic radio button becomes the checked one of its group; the dialog
// receives BN_CLICKED.
bool Click(HWND dialog, int id);
// Enter sends the default push button's command (IDOK when there is none);
// Esc sends IDCANCEL.
void PressEnter(HWND dialog);
void PressEscape(HWND dialog);
// The icon WM_SETICON gave the dialog (ICON_BIG or ICON_SMALL).
HICON DialogIcon(HWND dialog, int which);
HFONT DialogFont(HWND dialog);

// What the program drew: each ExtTextOutA and DrawTextA with the state of
// the device context at the time, and each EndPaint with the font it found
// still selected.
struct PaintOp {
  std::string function;
  RECT rect;
  std::string text;
  UINT flags;             // ExtTextOutA options or DrawTextA format
  COLORREF background;    // the device context's background colour
  HGDIOBJ font;           // the font selected
  LOGFONTA logFont;       // and what it is
};
const std::vector<PaintOp>& PaintOps();
// The font a device context from BeginPaint starts with.
HGDIOBJ SystemFont();
// Fonts the program created and has not deleted.
int LiveFonts();
// Device contexts from BeginPaint not yet ended.
int OpenPaints();

// The launcher's environment (PATH "C:\WINDOWS\SYSTEM32;C:\WINDOWS" at first) and
// current folder (C:\Pkg at first).
void SetEnvironmentVariable(const std::string& name, const std::string& value);
void SetCurrentFolder(const std::string& path);
std::string CurrentFolder();

// ---- plans: watching calls as they are made, ending the launcher's process ----
// `observer` sees every call as it is entered, before the simulated function
// acts on it (so the machine still shows the state before the call); pass
// nullptr to stop. It may throw to abandon the program being run.
void ObserveCalls(std::function<void(const Call&)> observer);
// false: calls are no longer logged in Calls() (nor key opens beyond the
// last in KeyOpens()), only observed, so that a wait polled for a virtual
// week costs no memory per poll.
void KeepCallLog(bool keep);
// The file CreateProcessA runs for `commandLine` when no program is named: a
// quoted first part as it stands, else the first prefix ending at a blank
// that is a file (".exe" added where the name has no extension).
std::string ResolveCommandLine(const std::string& commandLine);
// The earliest virtual time at which a scheduled change alters the machine
// (now when one is overdue); INFINITE when none is scheduled. Programs that
// end change no key, file or window by themselves.
DWORD NextChangeAt();
// The clock moves on by `ms` as if the program slept, and what is scheduled
// meanwhile happens.
void PassTime(DWORD ms);
// The launcher's process ends: every handle it still holds is closed (the
// instance event goes when no one else holds it). Calls made here are not
// recorded.
void EndProcess();
// While set, calls are neither recorded, observed nor made to fail: work
// the tool does on the machine (converting the text of a .reg file it
// reads), which is no call of the launcher's. Gives the setting before.
bool SetQuiet(bool quiet);
// The sim.h path of a key below HKLM given without its root: as it stands,
// or with "HKLM\" in front when its first name spells a root ("HKCU",
// "HKLM"), which the path would otherwise be read as.
std::string LocalMachinePath(const std::string& rest);
// Every key of the registry with its values, parents before children, HKLM
// keys as sim.h paths and HKCU keys with "HKCU\" in front (an HKLM key whose
// first name spells "HKCU" or "HKLM" gets "HKLM\" in front).
struct KeyContents {
  std::string path;
  std::vector<std::string> valueNames;
  std::vector<DWORD> valueTypes;
  std::vector<std::string> valueData;
};
// Whether a registry path holds a key name of more than 255 characters,
// which Windows does not allow ("Registry Element Size Limits"; seen under
// Wine: 257 refused with ERROR_INVALID_PARAMETER): RegCreateKeyExA and
// RegOpenKeyExA refuse it.
bool HasOverlongKeyName(const std::string& path);
std::vector<KeyContents> RegistryContents();
// Every key and value deleted through DeleteKey and DeleteValue since Reset,
// a deleted key's keys and values below it included: `path` as above, and for
// a value its name.
struct RegistryDeletion {
  std::string path;
  bool value;
  std::string name;
};
const std::vector<RegistryDeletion>& RegistryDeletions();
// The same, one key at a time without copying: `visit` gets the key's path
// and its values, valid during the call only, each looked at in place.
struct RegValueView {
  std::string_view name;
  DWORD type;
  std::string_view data;
};
class RegValueList {
 public:
  explicit RegValueList(const void* values) : values_(values) {}
  size_t size() const;
  RegValueView operator[](size_t i) const;

 private:
  const void* values_;  // the simulator's own list of the key's values
};
void VisitRegistry(const std::function<void(const std::string&, const RegValueList&)>& visit);
// Subkeys of the key at `path` ("HKLM\\..."); 0 when it does not exist.
size_t SubkeyCount(const std::string& path);
// The name of its subkey `index` in enumeration order; "" when there is none.
std::string SubkeyName(const std::string& path, size_t index);
// ---- fuzzing: multibyte walks past the end of a text ----------------------------
// How often since Reset _mbschr, _mbsupr or _mbsicmp met a text that ends
// in a lone lead byte with a byte other than a second zero after its
// terminating zero: under Wine the walk goes on into bytes that are no part
// of the text (stale data, or past the buffer). When enabled (for fuzzing,
// to have the call's stack), such a walk aborts the process.
int MultibyteWalksPastText();
void StopAtMultibyteWalkPastText(bool enable);

}  // namespace sim

namespace sim {

// ---- faults: access rights, event flags, the whole file list -----------------
// A user without administrator's rights: on Windows NT (2000, XP, ...) a key
// below HKEY_LOCAL_MACHINE then opens or is created only for reading
// (KEY_READ and its parts); asking for any write right gives
// ERROR_ACCESS_DENIED. The 98 family has no registry security and ignores it.
void RunAsLimitedUser(bool limited);
// Whether the launcher runs as a limited user on 2000 or XP.
bool LimitedUser();

// Every RegOpenKeyExA and RegCreateKeyExA, with the access asked for. On NT a
// key handle allows only what it was opened with: RegQueryValueExA needs
// KEY_QUERY_VALUE, RegEnumKeyExA KEY_ENUMERATE_SUB_KEYS, RegSetValueExA
// KEY_SET_VALUE (ERROR_ACCESS_DENIED otherwise).
struct KeyOpen {
  std::string function;
  std::string path;  // "HKLM\..."
  REGSAM access;
  bool refused;  // a limited user asking for a write right below HKLM
};
const std::vector<KeyOpen>& KeyOpens();
size_t KeyOpenCount();  // every RegOpenKeyExA and RegCreateKeyExA so far, kept or not

// Every CreateFileA, with what the caller asked for.
struct FileOpen {
  std::string path;
  DWORD access;
  DWORD share;
  DWORD disposition;
  DWORD flags;  // flags and attributes
};
const std::vector<FileOpen>& FileOpens();

// Every CreateEventA and CopyFileA, with the arguments the caller chose.
struct EventCreate {
  std::string name;
  bool manualReset;
  bool initiallySet;
};
const std::vector<EventCreate>& EventCreates();
struct FileCopy {
  std::string from, to;
  bool failIfExists;
};
const std::vector<FileCopy>& FileCopies();
// The error of the last SetFileAttributesA, 0 when it changed the attributes.
DWORD LastSetAttributesError();
// Whether the ANSI file calls refuse `path` (ERROR_FILENAME_EXCED_RANGE):
// their names are limited to MAX_PATH characters with the terminating zero
// (documented for CreateFileA, CopyFileA, DeleteFileA, SetFileAttributesA,
// GetFileAttributesA; on 95, 98 and Me "must not exceed MAX_PATH"). A
// double-byte character is one character, as in the conversion the NT
// calls make. CreateProcessA's program name is held to the same limit: the
// program's file is opened by the same path rules.
bool TooLongForAnsiPath(const std::string& path);
size_t AnsiPathCharacters(const std::string& path);  // in the posed code page

// Every OpenEventA, with the access and inheritance asked for. SetEvent
// needs EVENT_MODIFY_STATE (0x0002) in the handle's access.
struct EventOpen {
  std::string name;
  DWORD access;
  BOOL inherit;
};
const std::vector<EventOpen>& EventOpens();
// How a named event was created; false when it does not exist.
bool EventManualReset(const std::string& name);
// Open handles of the named event (the outside holder counted once).
int EventReferences(const std::string& name);

// Every file of the machine, full paths.
std::vector<std::string> AllFiles();

// How a ReadFile made to fail by FailCall fails: with an error status
// (FALSE, the default), or with zero bytes read and TRUE.
void FailReadsAsZeroBytes(bool zeroBytes);

}  // namespace sim
