#include "frontend/cancellation.h"

#include <csignal>

#include "frontend/repackager_exception.h"

namespace frontend {

namespace {
// Set from an interrupt handler too, hence the signal-safe type.
volatile std::sig_atomic_t cancelRequested = 0;
constexpr int kCancelledByUser = 21005;
}  // namespace

void ClearCancel() { cancelRequested = 0; }
void RequestCancel() { cancelRequested = 1; }
bool IsCancelRequested() { return cancelRequested != 0; }

void TestCancel() {
  if (cancelRequested) ThrowMessage(kCancelledByUser);
}

}  // namespace frontend
