// The cancellation flag: cleared at the start of every run, tested before each step and inside
// long loops. The console front end never sets it.
#pragma once

namespace frontend {

void ClearCancel();
void RequestCancel();
bool IsCancelRequested();
// Throws repackager_exception with message 21005 "Cancelled by user action." when set.
void TestCancel();

}  // namespace frontend
