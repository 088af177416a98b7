#include "platform/interrupt.h"

#include <csignal>

namespace platform {

namespace {

void (*interruptHandler)() = nullptr;

extern "C" void OnInterrupt(int signalNumber) {
  std::signal(signalNumber, SIG_DFL);
  if (interruptHandler) interruptHandler();
}

}  // namespace

void SetInterruptHandler(void (*handler)()) {
  interruptHandler = handler;
  std::signal(SIGINT, handler ? OnInterrupt : SIG_DFL);
  std::signal(SIGTERM, handler ? OnInterrupt : SIG_DFL);
}

}  // namespace platform
