#include "app/completion_event.h"

#include "platform/handles.h"
#include "records/records.h"

// Opened, not created: only a waiting program's event is set, and the
// handle is let go at once so that nothing of the launcher holds it.
void SignalSetupDone() {
  ScopedHandle done(OpenEventA(EVENT_ALL_ACCESS, FALSE, records::kCompletionEventName));
  if (done.is_valid()) SetEvent(done.get());
}
