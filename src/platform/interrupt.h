// Interrupts from the user: Ctrl+C (SIGINT), a closed terminal (SIGHUP) and a termination
// request (SIGTERM) all ask the program to stop. SIGPIPE is ignored: output to a pipe whose reader
// went away fails as a write, and the run goes on to clean up after itself.
#pragma once

namespace platform {

// To be called first in main, before any other thread exists. The first interrupt calls
// onFirst, a second one calls onSecond and then ends the program by that signal. Both run on a
// thread of their own, never inside a signal handler, so they may do ordinary work; onFirst
// should only note the request.
void SetInterruptHandlers(void (*onFirst)(), void (*onSecond)());

}  // namespace platform
