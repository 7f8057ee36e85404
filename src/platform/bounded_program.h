// A system command run hidden and waited for with a limit; one that runs
// past its limit is ended together with the programs it started (net.exe
// hands its command to net1.exe, which is the one that waits for an
// answer), and the end is waited for, bounded, so that nothing of it is
// left running when the caller goes on.
#pragma once

#include "platform/handles.h"
#include "platform/late_kernel.h"
#include "platform/win32.h"

class BoundedProgram {
 public:
  BoundedProgram();
  BoundedProgram(const BoundedProgram&) = delete;
  BoundedProgram& operator=(const BoundedProgram&) = delete;

  // Starts `programPath` with exactly `commandLineText`, hidden. Where the
  // release has job objects the program starts suspended, joins a job of
  // its own and is then resumed, so that everything it starts joins the job
  // too. With `endsWithLauncher` the job ends its programs when its last
  // handle closes: when this object goes, and when the launcher is ended or
  // fails while it waits. Returns whether it started.
  bool Start(const char* programPath, const char* commandLineText, bool endsWithLauncher);

  // Waits at most `limitMs` for the program to end (not at all when it
  // could not be resumed: it would never run). Ends it when it is still
  // running then, or when the wait itself failed (nothing then says it
  // ended): the whole job; without a job, or when the job cannot be ended
  // (a process already in a job cannot join another on 2000 and XP), the
  // program and then the programs it started, found by their parent's
  // process id; on releases without job objects the program alone. The
  // ended processes themselves are waited for, at most 5 s in all, never a
  // job's count (NT lowers it when a process is asked to end, before it
  // has gone). Returns whether it ended by itself.
  bool WaitOrEnd(DWORD limitMs, UINT exitCode);

 private:
  // False when the job could not be ended.
  bool EndJob(UINT exitCode);
  void EndWithChildren(UINT exitCode);

  LateKernel kernel_;
  ScopedHandle job_;
  ScopedHandle process_;
  ScopedHandle thread_;
  DWORD processId_;
  bool held_;  // started suspended and never resumed
};
