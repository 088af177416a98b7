// The limited user interface: the Next button of the welcome dialog ends the dialog sequence.
#pragma once

namespace project {

class VpxWriter;

// Walks the events of control "Next" of dialog "InstallWelcome" in their order and turns the
// first "NewDialog" event (case-sensitive) into "EndDialog" with the argument "Return". A
// missing dialog, control or event changes nothing.
void ApplyLimitedUI(VpxWriter& writer);

}  // namespace project
