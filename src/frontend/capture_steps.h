// The conversion steps that read the capture: the script with its install directory, the
// reports on base operating-system files, the registry data files, the capture's language and
// capture method, and the warnings on machine-specific paths of the script's variables.
// The pipeline announces each step and calls these in its order.
#pragma once

#include <string>

namespace capture {
class CaptureScript;
class RegistryModel;
}  // namespace capture

namespace project {
class VpxWriter;
}

namespace frontend {

// Reads the script, warns when the options name no install directory (22201), hands INSTALLDIR
// to the path translation and traces "Script version: %s".
void ReadCapture(capture::CaptureScript& script);

// Warning 22202 for each base operating-system file the capture changes, then one warning per
// recorded change.
void ReportOemEdits(const capture::CaptureScript& script);

// The registry load file into the script's model, the delete file into its own model.
void LoadCapturedRegistry(const capture::CaptureScript& script, capture::RegistryModel& deleted);

// With "UseLanguage", the capture's language: information 21003 and the project's language.
void ApplyCaptureLanguage(const capture::CaptureScript& script, project::VpxWriter& writer);

// "Snapshot", "InstallMonitor", "QvPro Logging" or "Unknown".
std::string CaptureMethodText(int captureMethod);

// A warning for each script variable whose value looks like a path of the capture machine.
void WarnMachineSpecificPaths(const capture::CaptureScript& script);

}  // namespace frontend
