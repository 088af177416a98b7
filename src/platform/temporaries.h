// Temporary files and folders that a run makes beside its outputs ("app.vpx.tmp<pid>.<n>",
// "App.msi.tmp<pid>.<n>.cabinets"): the process id in the name tells whose they are, so a later
// run can remove what a run that was killed outright left behind.
#pragma once

#include <string>

namespace platform {

enum class TemporaryOwner {
  kDeadProcesses,  // temporaries of processes that no longer run
  kThisProcess,    // this process's own (a run that is ending at once)
};

// Removes the temporaries of those owners directly in folder (files, and folders with what they
// hold; symbolic links are removed, never followed). Returns how many entries went.
int RemoveTemporaries(const std::string& folder, TemporaryOwner owner);

}  // namespace platform
