// What the user is told about the registry stand-in file at the start of a run.
#pragma once

namespace frontend {

// One warning for each line of the registry file that is not REGEDIT4 (the line is ignored and
// the file is not rewritten by this run), or for a file that cannot be read at all.
void ReportRegistryFileProblems();

}  // namespace frontend
