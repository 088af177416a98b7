// The conversion steps for the captured files and the folders the capture creates.
#pragma once

namespace capture {
class CaptureScript;
}

namespace content {

// Every file of the script's file lists, folder by folder: components, File rows and the rest.
void AddCapturedFiles(const capture::CaptureScript& script);
// Every folder of the script's MakeDir commands, in script order.
void AddCreatedFolders(const capture::CaptureScript& script);

}  // namespace content
