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
  // too. Returns whether it started.
  bool Start(const char* programPath, const char* commandLineText);

  // Waits at most `limitMs` for the program to end. Ends it when it is still
  // running then, or when the wait itself failed (nothing then says it
  // ended): the whole job; without a job (a process already in a job cannot
  // join another on 2000 and XP) the program and the programs it started,
  // found by their parent's process id; on releases without job objects the
  // program alone. Returns whether it ended by itself.
  bool WaitOrEnd(DWORD limitMs, UINT exitCode);

 private:
  void EndJob(UINT exitCode);
  void EndWithChildren(UINT exitCode);
  // The program alone, then its end waited for.
  void EndAlone(UINT exitCode);

  LateKernel kernel_;
  ScopedHandle job_;
  ScopedHandle process_;
  ScopedHandle thread_;
  DWORD processId_;
};
