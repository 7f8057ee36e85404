// kernel32 behaviour the launcher relies on: named events, its own module
// path, the version query and starting programs.
#include <cstddef>
#include <cstring>
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/late_kernel.h"
#include "platform/win32.h"

// ---- named events ------------------------------------------------------------

// All Windows versions: the first CreateEventA of a name sets the last error
// to 0; a second one gives another handle to the same event and
// ERROR_ALREADY_EXISTS (183).
CONTRACT_TEST(Event_SecondCreateIsAlreadyExists) {
  SetLastError(0xdeadbeef);
  HANDLE first = CreateEventA(nullptr, TRUE, FALSE, "ContractEventTwice");
  ok(first != nullptr, "first create failed: %lu", static_cast<unsigned long>(GetLastError()));
  ok(GetLastError() == 0, "first create: last error %lu", static_cast<unsigned long>(GetLastError()));
  SetLastError(0xdeadbeef);
  HANDLE second = CreateEventA(nullptr, TRUE, FALSE, "ContractEventTwice");
  ok(GetLastError() == ERROR_ALREADY_EXISTS, "second create: last error %lu",
     static_cast<unsigned long>(GetLastError()));
  ok(second != nullptr && second != first, "second handle %p, first %p", second, first);
  if (second) CloseHandle(second);
  if (first) CloseHandle(first);
}

// All Windows versions: opening a name no event has gives NULL and
// ERROR_FILE_NOT_FOUND.
CONTRACT_TEST(Event_OpenMissingIsFileNotFound) {
  SetLastError(0xdeadbeef);
  HANDLE h = OpenEventA(EVENT_ALL_ACCESS, FALSE, "ContractEventNobodyMade");
  ok(h == nullptr, "handle %p", h);
  ok(GetLastError() == ERROR_FILE_NOT_FOUND, "last error %lu", static_cast<unsigned long>(GetLastError()));
  if (h) CloseHandle(h);
}

// Wine (and CreateEvent's documentation, "limited to MAX_PATH characters"):
// a name of 259 characters is taken, one of 260 refused with
// ERROR_FILENAME_EXCED_RANGE, as the name does not fit MAX_PATH with its zero.
CONTRACT_TEST(Event_NameOfMaxPathCharactersIsRefused) {
  std::string name(MAX_PATH - 1, 'E');
  HANDLE fits = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  ok(fits != nullptr, "259 characters: error %lu", static_cast<unsigned long>(GetLastError()));
  if (fits) CloseHandle(fits);
  name += 'E';
  SetLastError(0xdeadbeef);
  HANDLE over = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  ok(over == nullptr, "260 characters: handle %p", over);
  ok(GetLastError() == ERROR_FILENAME_EXCED_RANGE, "last error %lu", static_cast<unsigned long>(GetLastError()));
  if (over) CloseHandle(over);
}

// All Windows versions: event names are case-sensitive.
CONTRACT_TEST(Event_NamesAreCaseSensitive) {
  HANDLE made = CreateEventA(nullptr, TRUE, FALSE, "ContractEventCase");
  ok(made != nullptr, "create failed");
  SetLastError(0xdeadbeef);
  HANDLE other = OpenEventA(EVENT_ALL_ACCESS, FALSE, "CONTRACTEVENTCASE");
  ok(other == nullptr && GetLastError() == ERROR_FILE_NOT_FOUND, "open in other case: %p, %lu", other,
     static_cast<unsigned long>(GetLastError()));
  if (other) CloseHandle(other);
  SetLastError(0xdeadbeef);
  HANDLE fresh = CreateEventA(nullptr, TRUE, FALSE, "contracteventcase");
  ok(fresh != nullptr && GetLastError() == 0, "create in other case makes a new event: %p, %lu", fresh,
     static_cast<unsigned long>(GetLastError()));
  if (fresh) CloseHandle(fresh);
  if (made) CloseHandle(made);
}

// All Windows versions: SetEvent through a handle from OpenEventA signals the
// event its creator holds.
CONTRACT_TEST(Event_SetThroughOpenedHandleSignalsCreator) {
  HANDLE creator = CreateEventA(nullptr, TRUE, FALSE, "ContractEventSignal");
  ok(creator != nullptr, "create failed");
  if (!creator) return;
  ok(WaitForSingleObject(creator, 0) == WAIT_TIMEOUT, "signalled before SetEvent");
  HANDLE opened = OpenEventA(EVENT_ALL_ACCESS, FALSE, "ContractEventSignal");
  ok(opened != nullptr, "open failed: %lu", static_cast<unsigned long>(GetLastError()));
  if (opened) {
    ok(SetEvent(opened) != FALSE, "SetEvent failed: %lu", static_cast<unsigned long>(GetLastError()));
    CloseHandle(opened);
  }
  ok(WaitForSingleObject(creator, 0) == WAIT_OBJECT_0, "creator's event not signalled");
  CloseHandle(creator);
}

// All Windows versions: a named event lives as long as a handle to it is
// open; after its last handle is closed the name opens nothing.
CONTRACT_TEST(Event_GoneWithItsLastHandle) {
  HANDLE made = CreateEventA(nullptr, TRUE, FALSE, "ContractEventGone");
  ok(made != nullptr, "create failed");
  if (made) CloseHandle(made);
  SetLastError(0xdeadbeef);
  HANDLE h = OpenEventA(EVENT_ALL_ACCESS, FALSE, "ContractEventGone");
  ok(h == nullptr && GetLastError() == ERROR_FILE_NOT_FOUND, "after close: %p, %lu", h,
     static_cast<unsigned long>(GetLastError()));
  if (h) CloseHandle(h);
}

// ---- the program's own path -------------------------------------------------------

static bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (tail.size() > text.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char a = text[text.size() - tail.size() + i], b = tail[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

// All Windows versions: GetModuleFileNameA(NULL) gives the full path of the
// program's file and returns its length.
CONTRACT_TEST(Module_FileNameIsFullPath) {
  char path[MAX_PATH + 1];
  std::memset(path, 'x', sizeof path);
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  ok(n > 3 && n < MAX_PATH && path[n] == 0, "length %lu", static_cast<unsigned long>(n));
  if (!(n > 3 && n < MAX_PATH)) return;
  ok(std::strlen(path) == n, "returned %lu, string %u", static_cast<unsigned long>(n),
     static_cast<unsigned>(std::strlen(path)));
  ok(path[1] == ':' && path[2] == '\\', "not a full path: %s", path);
  ok(EndsWithNoCase(path, "\\" + fixture::OwnFileName()), "not this program: %s", path);
  ok(fixture::FileExists(path), "no file at %s", path);
}

// XP returns a cut name unterminated, later releases terminate it inside the
// buffer; both return the buffer's size, fill it with the start of the path
// and write nothing past it.
CONTRACT_TEST(Module_FileNameInSmallBufferReturnsSize) {
  char full[MAX_PATH + 1] = {0};
  DWORD length = GetModuleFileNameA(nullptr, full, MAX_PATH);
  ok(length > 8, "length %lu", static_cast<unsigned long>(length));
  if (length <= 8) return;
  const DWORD sizes[] = {length, 8};
  for (DWORD size : sizes) {
    char path[MAX_PATH + 1];
    std::memset(path, 'x', sizeof path);
    DWORD n = GetModuleFileNameA(nullptr, path, size);
    ok(n == size, "size %lu: returned %lu", static_cast<unsigned long>(size), static_cast<unsigned long>(n));
    ok(std::memcmp(path, full, size - 1) == 0, "size %lu: start '%.*s'", static_cast<unsigned long>(size),
       static_cast<int>(size - 1), path);
    ok(path[size] == 'x', "size %lu: written past the buffer", static_cast<unsigned long>(size));
  }
}

// ---- version -----------------------------------------------------------------

// All Windows versions: GetVersionExA accepts the size of OSVERSIONINFOA
// (148) and fails with ERROR_INSUFFICIENT_BUFFER for a size that is no
// version structure's. (NT 4.0 SP6 and later also take the 156 of the Ex
// structure; 9x does not, so it is not pinned here.)
CONTRACT_TEST(Version_GetVersionExNeedsItsSize) {
  ok(sizeof(OSVERSIONINFOA) == 148, "structure is %u bytes", static_cast<unsigned>(sizeof(OSVERSIONINFOA)));
  union {
    OSVERSIONINFOA info;
    char room[512];
  } v;
  std::memset(&v, 0, sizeof v);
  v.info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  SetLastError(0xdeadbeef);
  BOOL done = GetVersionExA(&v.info);
  ok(done != FALSE, "148 refused: %lu", static_cast<unsigned long>(GetLastError()));
  ok(v.info.dwOSVersionInfoSize == 148, "size changed to %lu", static_cast<unsigned long>(v.info.dwOSVersionInfoSize));
  ok(v.info.dwPlatformId <= VER_PLATFORM_WIN32_NT && v.info.dwMajorVersion >= 3, "platform %lu, major %lu",
     static_cast<unsigned long>(v.info.dwPlatformId), static_cast<unsigned long>(v.info.dwMajorVersion));
  ok(std::memchr(v.info.szCSDVersion, 0, sizeof v.info.szCSDVersion) != nullptr, "service pack text unterminated");
  const DWORD wrong[] = {0, 147, 149, 200};
  for (DWORD size : wrong) {
    std::memset(&v, 0, sizeof v);
    v.info.dwOSVersionInfoSize = size;
    SetLastError(0xdeadbeef);
    done = GetVersionExA(&v.info);
    ok(done == FALSE && GetLastError() == ERROR_INSUFFICIENT_BUFFER, "size %lu: %d, %lu",
       static_cast<unsigned long>(size), done, static_cast<unsigned long>(GetLastError()));
  }
}

// ---- starting programs ----------------------------------------------------------

// A folder with a blank in its name holding the program, and a decoy
// "Program.exe" at the place Windows looks first for an unquoted path.
struct BlankFolder {
  std::string program, decoy, commandLine;
  BlankFolder() {
    std::string root = fixture::TempFolder();
    fixture::MakeFolder(root + "\\Program Files");
    fixture::MakeFolder(root + "\\Program Files\\Pkg");
    program = root + "\\Program Files\\Pkg\\Child.exe";
    decoy = root + "\\Program.exe";
    fixture::PlaceChildProgram(program);
    fixture::PlaceChildProgram(decoy);
    fixture::RemoveFile(fixture::MarkerFor(program));
    fixture::RemoveFile(fixture::MarkerFor(decoy));
    commandLine = program + " --contract-child";
  }
  ~BlankFolder() {
    fixture::RemoveFile(fixture::MarkerFor(program));
    fixture::RemoveFile(fixture::MarkerFor(decoy));
  }
  // Starts and waits; false if CreateProcessA failed.
  bool Run(const char* applicationName) {
    std::string line = commandLine;
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::memset(&pi, 0, sizeof pi);
    SetLastError(0xdeadbeef);
    BOOL started = CreateProcessA(applicationName, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    ok(started != FALSE, "CreateProcessA failed: %lu", static_cast<unsigned long>(GetLastError()));
    if (!started) return false;
    ok(WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0, "program did not end");
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  }
};

// All Windows versions: given the application name, CreateProcessA starts
// exactly that program, though its unquoted command line holds a blank.
CONTRACT_TEST(Process_ApplicationNameStartsThatProgram) {
  BlankFolder folder;
  if (!folder.Run(folder.program.c_str())) return;
  ok(fixture::FileExists(fixture::MarkerFor(folder.program)), "%s did not run", folder.program.c_str());
  ok(!fixture::FileExists(fixture::MarkerFor(folder.decoy)), "%s ran", folder.decoy.c_str());
}

// All Windows versions: without an application name, an unquoted command line
// is cut at the first blank where a program file exists, so "...\Program.exe"
// runs in place of "...\Program Files\Pkg\Child.exe".
CONTRACT_TEST(Process_UnquotedCommandLineRunsProgramBeforeBlank) {
  BlankFolder folder;
  if (!folder.Run(nullptr)) return;
  ok(fixture::FileExists(fixture::MarkerFor(folder.decoy)), "%s did not run", folder.decoy.c_str());
  ok(!fixture::FileExists(fixture::MarkerFor(folder.program)), "%s ran", folder.program.c_str());
}

// All Windows versions: a program file that is not there (in a folder that
// is) fails with ERROR_FILE_NOT_FOUND. (For a missing folder Wine gives
// ERROR_PATH_NOT_FOUND; that case is not pinned.)
CONTRACT_TEST(Process_MissingProgramIsFileNotFound) {
  std::string path = fixture::TempFolder() + "\\NoSuchProgram.exe";
  fixture::RemoveFile(path);
  std::string line = path;
  STARTUPINFOA si;
  std::memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::memset(&pi, 0, sizeof pi);
  SetLastError(0xdeadbeef);
  BOOL started = CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  ok(started == FALSE, "started a missing program");
  ok(GetLastError() == ERROR_FILE_NOT_FOUND, "last error %lu", static_cast<unsigned long>(GetLastError()));
  if (started) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

// All Windows versions: the current thread's pseudo handle takes a new
// priority at once, and THREAD_PRIORITY_NORMAL puts back whatever a probe
// lowered it to (the hand-off does so after the installer has ended).
CONTRACT_TEST(Thread_CurrentThreadPriorityBackToNormal) {
  SetLastError(0xdeadbeef);
  ok(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST) != FALSE, "lowering failed: %lu",
     static_cast<unsigned long>(GetLastError()));
  ok(GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_LOWEST, "priority %d",
     GetThreadPriority(GetCurrentThread()));
  ok(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL) != FALSE, "restoring failed");
  ok(GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_NORMAL, "priority %d",
     GetThreadPriority(GetCurrentThread()));
}

// ---- jobs: a command ended with what it started --------------------------------

// Starts `program` with `argument`, suspended; a failure is a failed check.
static bool StartSuspended(const std::string& program, const char* argument, PROCESS_INFORMATION* pi) {
  std::string line = program + " " + argument;
  STARTUPINFOA si;
  std::memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  const BOOL started =
      CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, pi);
  ok(started != FALSE, "cannot start %s: %lu", program.c_str(), static_cast<unsigned long>(GetLastError()));
  return started != FALSE;
}

// Processes still running in `job`, once `wanted` of them run or after 10 s.
static DWORD ActiveInJobSoon(const LateKernel& k, HANDLE job, DWORD wanted) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
  for (int i = 0; i < 200; ++i) {
    std::memset(&info, 0, sizeof info);
    if (!k.QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr))
      return 0xFFFFFFFF;
    if (info.ActiveProcesses == wanted) break;
    Sleep(50);
  }
  return info.ActiveProcesses;
}

// 2000 and later, from the loaded kernel32: a program started suspended,
// put into a job and resumed takes the program it starts into the job (the
// process list names it with its parent's id); TerminateJobObject ends
// both, and the job then soon counts none running.
CONTRACT_TEST(Job_EndsTheProgramAndWhatItStarted) {
  const LateKernel k = BindLateKernel();
  ok(k.HasJobs() && k.HasProcessList(), "job or process-list functions missing");
  if (!k.HasJobs() || !k.HasProcessList()) return;
  const std::string program = fixture::TempFolder() + "\\hung.exe";
  fixture::PlaceHungProgramWithWorker(program);
  PROCESS_INFORMATION pi;
  if (!StartSuspended(program, "--contract-hang", &pi)) return;
  HANDLE job = k.CreateJobObjectA(nullptr, nullptr);
  ok(k.AssignProcessToJobObject(job, pi.hProcess) != FALSE, "assign: %lu", static_cast<unsigned long>(GetLastError()));
  ok(ResumeThread(pi.hThread) == 1, "resume");
  ok(ActiveInJobSoon(k, job, 2) == 2, "the worker did not join the job");

  HANDLE snapshot = k.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry;
  std::memset(&entry, 0, sizeof entry);
  entry.dwSize = sizeof entry;
  DWORD worker = 0;
  for (BOOL more = k.Process32First(snapshot, &entry); more; more = k.Process32Next(snapshot, &entry))
    if (entry.th32ParentProcessID == pi.dwProcessId) worker = entry.th32ProcessID;
  CloseHandle(snapshot);
  ok(worker != 0, "no process lists %lu as its parent", static_cast<unsigned long>(pi.dwProcessId));
  HANDLE workerProcess = worker ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, worker) : nullptr;

  // The job's process id list names both.
  union {
    JOBOBJECT_BASIC_PROCESS_ID_LIST list;
    ULONG_PTR room[8];
  } ids;
  std::memset(&ids, 0, sizeof ids);
  ok(k.QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr) != FALSE,
     "process id list: %lu", static_cast<unsigned long>(GetLastError()));
  const ULONG_PTR* id = &ids.room[offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList) / sizeof(ULONG_PTR)];
  const DWORD listed = ids.list.NumberOfProcessIdsInList;
  ok(listed == 2 && ids.list.NumberOfAssignedProcesses == 2, "%lu listed", static_cast<unsigned long>(listed));
  ok(listed == 2 && (id[0] == pi.dwProcessId || id[1] == pi.dwProcessId) && (id[0] == worker || id[1] == worker),
     "the program and its worker are not listed");

  ok(k.TerminateJobObject(job, 7) != FALSE, "terminate: %lu", static_cast<unsigned long>(GetLastError()));
  // The count is 0 as soon as TerminateJobObject returns: 2000 and XP stop
  // counting a process asked to end before it has gone (as ReactOS's kernel
  // does); Wine's server ends each process before the call returns.
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION right;
  std::memset(&right, 0, sizeof right);
  k.QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &right, sizeof right, nullptr);
  ok(right.ActiveProcesses == 0, "%lu counted right after the end", static_cast<unsigned long>(right.ActiveProcesses));
  ok(ActiveInJobSoon(k, job, 0) == 0, "programs still running in the job");
  ok(WaitForSingleObject(pi.hProcess, 5000) == WAIT_OBJECT_0, "the program still runs");
  ok(workerProcess && WaitForSingleObject(workerProcess, 5000) == WAIT_OBJECT_0, "the worker still runs");
  if (workerProcess) CloseHandle(workerProcess);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(job);
}

// 2000 on: a job set to end its processes when its last handle closes ends
// the program and the worker it started then.
CONTRACT_TEST(Job_EndsItsProgramsWithItsLastHandle) {
  const LateKernel k = BindLateKernel();
  ok(k.HasJobs() && k.SetInformationJobObject, "job functions missing");
  if (!k.HasJobs() || !k.SetInformationJobObject) return;
  const std::string program = fixture::TempFolder() + "\\closed.exe";
  fixture::PlaceHungProgramWithWorker(program);
  PROCESS_INFORMATION pi;
  if (!StartSuspended(program, "--contract-hang", &pi)) return;
  HANDLE job = k.CreateJobObjectA(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
  std::memset(&limits, 0, sizeof limits);
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  ok(k.SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) != FALSE, "limit: %lu",
     static_cast<unsigned long>(GetLastError()));
  ok(k.AssignProcessToJobObject(job, pi.hProcess) != FALSE, "assign: %lu", static_cast<unsigned long>(GetLastError()));
  ResumeThread(pi.hThread);
  ok(ActiveInJobSoon(k, job, 2) == 2, "the worker did not join the job");
  CloseHandle(job);
  ok(WaitForSingleObject(pi.hProcess, 5000) == WAIT_OBJECT_0, "the program still runs");
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

// 2000 and XP: a process in a job joins no second job (ERROR_ACCESS_DENIED);
// Vista and later nest jobs, and so does Wine.
CONTRACT_TEST(Job_ProcessInAJobJoinsNoOther) {
  const LateKernel k = BindLateKernel();
  ok(k.HasJobs(), "job functions missing");
  if (!k.HasJobs()) return;
  const std::string program = fixture::TempFolder() + "\\jobbed.exe";
  fixture::PlaceChildProgram(program);
  PROCESS_INFORMATION pi;
  if (!StartSuspended(program, "--contract-child", &pi)) return;
  HANDLE first = k.CreateJobObjectA(nullptr, nullptr);
  HANDLE second = k.CreateJobObjectA(nullptr, nullptr);
  ok(k.AssignProcessToJobObject(first, pi.hProcess) != FALSE, "first job: %lu", static_cast<unsigned long>(GetLastError()));
  SetLastError(0xdeadbeef);
  todo_wine_ok(!k.AssignProcessToJobObject(second, pi.hProcess) && GetLastError() == ERROR_ACCESS_DENIED,
               "joined a second job: %lu", static_cast<unsigned long>(GetLastError()));
  ResumeThread(pi.hThread);
  ok(WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0, "the program did not end");
  CloseHandle(second);
  CloseHandle(first);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}
