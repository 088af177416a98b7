// The process-wide flags of one program run, all cleared at start.
#pragma once

namespace frontend {

struct RunFlags {
  bool fakeGuidMode = false;        // the GUID mode is on for this run
  bool fakeGuidModeWasOn = false;   // it was on before the run (and stays on after it)
  bool suppressTemplate = false;    // /notemplate
  bool errorReported = false;       // an error record reached the console
};

RunFlags& Flags();

}  // namespace frontend
