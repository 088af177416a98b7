// The convention for calls into the project engine: a failed result code is not an exception;
// the caller writes "FAILURE: CHECK_HR: 0x%x File=%s Line=%d" to the conversion log at level 4
// and goes on.
#pragma once

#include "qv/com.h"

namespace project {

// Writes the trace line when hr failed; returns hr.
qv::HResult CheckHr(qv::HResult hr, const char* file, int line);

}  // namespace project

// The source unit name is the file name without its folder.
#define CHECK_HR(expr) ::project::CheckHr((expr), __FILE_NAME__, __LINE__)
