// Interrupts from the user (Ctrl+C, a polite termination request).
#pragma once

namespace platform {

// The first interrupt calls handler (which may only set a flag); a second one ends the program
// the usual way, so a run that does not stop can still be ended.
void SetInterruptHandler(void (*handler)());

}  // namespace platform
