/* The floor of `bench/run silent`: the least any launcher must do on a
 * silent road. It opens the completion event, sets it and ends: kernel32
 * only, no C runtime, no start-up code of its own beyond this function. */
#include <windows.h>

void __stdcall SilentFloorStart(void) {
  HANDLE done = OpenEventA(EVENT_ALL_ACCESS, FALSE, "HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}");
  if (done) {
    SetEvent(done);
    CloseHandle(done);
  }
  ExitProcess(0);
}
