// The named completion event: a program that started the launcher waits on
// it, and every road of the launch sequence sets it once.
#pragma once

// Opens the completion event and sets it, when an outside program created
// it; does nothing when none did.
void SignalSetupDone();
