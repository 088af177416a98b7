// The conversion of the capture script's program and DLL calls into custom actions.
#pragma once

namespace content {

// The conversion step for the script's calls: the actions that set the all-users profile
// folder, one action per EXE and DLL call of the script, and the DLL wrapper of the project.
void ConvertScriptCalls();

}  // namespace content
