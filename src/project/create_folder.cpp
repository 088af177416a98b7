#include "project/create_folder.h"

#include "core/messages.h"
#include "project/msi_record.h"
#include "project/vpx_writer.h"

namespace project {

void WriteCreateFolder(const std::string& directoryId, const std::string& componentName) {
  VpxWriter* writer = CurrentProjectWriter();
  if (!writer) return;
  {
    MSIRecord record(*writer, "CreateFolder");
    record.SetField(1, directoryId);
    record.SetField(2, componentName);
  }
  core::LogTrace(core::kTraceCreateFolder,
                 "CreateFolder created: directoryID='%s' for component '%s'",
                 directoryId.c_str(), componentName.c_str());
}

}  // namespace project
