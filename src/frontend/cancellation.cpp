#include "frontend/cancellation.h"

#include "frontend/repackager_exception.h"

namespace frontend {

namespace {
bool cancelRequested = false;
constexpr int kCancelledByUser = 21005;
}  // namespace

void ClearCancel() { cancelRequested = false; }
void RequestCancel() { cancelRequested = true; }
bool IsCancelRequested() { return cancelRequested; }

void TestCancel() {
  if (cancelRequested) ThrowMessage(kCancelledByUser);
}

}  // namespace frontend
