// The conversion steps that read the capture: the script with its install directory, the
// reports on base operating-system files, the registry data files, and the warnings on
// machine-specific paths of the script's variables. The pipeline announces each step and calls
// these in its order (the capture's language and method: capture_description.h).
#pragma once

#include <string>

namespace capture {
class CaptureScript;
class RegistryModel;
}  // namespace capture

namespace frontend {

// Reads the script, warns when the options name no install directory (22201), hands INSTALLDIR
// to the path translation and traces "Script version: %s".
void ReadCapture(capture::CaptureScript& script);

// Warning 22202 for each base operating-system file the capture changes, then one warning per
// recorded change.
void ReportOemEdits(const capture::CaptureScript& script);

// The registry load file into the script's model, the delete file into its own model.
void LoadCapturedRegistry(const capture::CaptureScript& script, capture::RegistryModel& deleted);

// A warning for each script variable whose value looks like a path of the capture machine.
void WarnMachineSpecificPaths(const capture::CaptureScript& script);

}  // namespace frontend
