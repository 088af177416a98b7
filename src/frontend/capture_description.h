// How a capture describes itself to the project: the language of the capture machine and the
// method that made the capture.
#pragma once

#include <string>

namespace project {
class VpxWriter;
}

namespace frontend {

// The text of message 21003 ("Applying language '%s' to the project") for the language the
// capture declares (a decimal Windows language identifier, of which the low 16 bits count):
// "English (code 1033)", or "code 99999" when the language has no known name.
std::string LanguageAnnouncement(const std::string& declaredLanguage);
// The language identifier of the declared text (its low 16 bits).
int DeclaredLanguageId(const std::string& declaredLanguage);

// Logs the announcement as an information record and applies the language to the project.
void ApplyCaptureLanguage(project::VpxWriter& writer, const std::string& declaredLanguage);

// The display text of a capture method: "Snapshot" (0), "InstallMonitor" (1), "QvPro Logging"
// (3), "Unknown" for any other kind.
std::string CaptureMethodName(int creatorKind);

// Sets the capture method as the project's repackaging mode.
void ApplyCaptureMethod(project::VpxWriter& writer, int creatorKind);

}  // namespace frontend
