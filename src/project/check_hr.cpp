#include "project/check_hr.h"

#include "core/messages.h"

namespace project {

qv::HResult CheckHr(qv::HResult hr, const char* file, int line) {
  if (qv::Failed(hr))
    core::LogTrace(core::kTraceGeneral, "FAILURE: CHECK_HR: 0x%x File=%s Line=%d",
                   static_cast<unsigned>(hr), file, line);
  return hr;
}

}  // namespace project
