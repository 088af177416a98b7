// The content writers of the current conversion, made on first use for the current project
// writer, and the end of a conversion for everything the content steps keep between calls.
#pragma once

#include "project/component_lookup.h"

namespace content {

class ComponentWriter;
class FileWriter;

// Null when no project writer is current.
ComponentWriter* CurrentComponentWriter();
FileWriter* CurrentFileWriter();

// Releases the writers (before the project writer goes) and forgets the process-wide state of
// the content steps: sequence lists, icon keys, INI file names, short names, shortcut
// targets, the reading of the captured files' versions.
void ResetContent();

// The components of the current conversion as the project layer's component lookup sees them
// (the program installs this source before the conversion steps run).
project::ComponentSource& SessionComponents();

}  // namespace content
