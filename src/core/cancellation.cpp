#include "core/cancellation.h"

#include <atomic>
#include <mutex>

#include "core/repackager_exception.h"

namespace core {

namespace {
// Set from the interrupt watcher's thread too.
std::atomic<bool> cancelRequested{false};
std::atomic<bool> interrupted{false};
constexpr int kCancelledByUser = 21005;

std::mutex foldersLock;
std::vector<std::string> folders;
}  // namespace

void ClearCancel() { cancelRequested = false; }
void RequestCancel() { cancelRequested = true; }
bool IsCancelRequested() { return cancelRequested || interrupted; }
void InterruptRun() { interrupted = true; }

void NoteTemporaryFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(foldersLock);
  for (const std::string& known : folders)
    if (known == folder) return;
  folders.push_back(folder);
}

std::vector<std::string> TemporaryFolders() {
  std::lock_guard<std::mutex> lock(foldersLock);
  return folders;
}

void TestCancel() {
  if (IsCancelRequested()) ThrowMessage(kCancelledByUser);
}

}  // namespace core
