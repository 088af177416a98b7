#include "shortcuts/create_folder.h"

#include "frontend/messages.h"
#include "project/msi_record.h"
#include "project/vpx_writer.h"

namespace shortcuts {

void WriteCreateFolder(const std::string& directoryId, const std::string& componentName) {
  project::VpxWriter* writer = project::CurrentProjectWriter();
  if (!writer) return;
  {
    project::MSIRecord record(*writer, "CreateFolder");
    record.SetField(1, directoryId);
    record.SetField(2, componentName);
  }
  frontend::LogTrace(frontend::kTraceCreateFolder,
                     "CreateFolder created: directoryID='%s' for component '%s'",
                     directoryId.c_str(), componentName.c_str());
}

}  // namespace shortcuts
