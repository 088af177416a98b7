#include "platform/interrupt.h"

#include <pthread.h>

#include <csignal>
#include <thread>

namespace platform {

namespace {

sigset_t InterruptSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  return signals;
}

// Waits for the interrupt signals, which every other thread keeps blocked.
void WatchInterrupts(void (*onFirst)(), void (*onSecond)()) {
  const sigset_t signals = InterruptSignals();
  for (int count = 1;; ++count) {
    int signalNumber = 0;
    if (sigwait(&signals, &signalNumber) != 0) continue;
    if (count == 1) {
      if (onFirst) onFirst();
      continue;
    }
    if (onSecond) onSecond();
    // Ends the program as that signal ends it, so the caller sees why.
    std::signal(signalNumber, SIG_DFL);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signalNumber);
    pthread_sigmask(SIG_UNBLOCK, &just, nullptr);
    raise(signalNumber);
    return;
  }
}

}  // namespace

void SetInterruptHandlers(void (*onFirst)(), void (*onSecond)()) {
  std::signal(SIGPIPE, SIG_IGN);
  const sigset_t signals = InterruptSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread(WatchInterrupts, onFirst, onSecond).detach();
}

}  // namespace platform
