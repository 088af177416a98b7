// The cancellation flag: cleared at the start of every run, tested before each step and inside
// long loops (also inside the engine's save and build). An interrupt from the user (Ctrl+C, a
// hang-up, a termination request) sets it for the rest of the process.
#pragma once

#include <string>
#include <vector>

namespace core {

void ClearCancel();
void RequestCancel();
bool IsCancelRequested();
// Throws repackager_exception with message 21005 "Cancelled by user action." when set.
void TestCancel();

// The first interrupt: the run stops at its next check and cleans up after itself. Kept when a
// run starts later, unlike RequestCancel.
void InterruptRun();

// The folders where the run makes temporary files beside its outputs: what a second interrupt,
// which ends the program at once, clears of this process's temporaries. Safe from any thread.
void NoteTemporaryFolder(const std::string& folder);
std::vector<std::string> TemporaryFolders();

}  // namespace core
