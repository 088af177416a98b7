// RemoveFile rows for the files the captured setup deleted: the installer deletes them as well,
// on install and on removal.
#pragma once

namespace capture {
class CaptureScript;
}

namespace content {

void WriteDeletedFiles(const capture::CaptureScript& script);

}  // namespace content
