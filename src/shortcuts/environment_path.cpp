#include "shortcuts/environment_path.h"

#include <vector>

#include "capture/folder_rules.h"
#include "capture/path_translation.h"
#include "capture/text_edit.h"
#include "project/component_lookup.h"
#include "project/keys.h"
#include "project/msi_record.h"
#include "project/vpx_writer.h"

namespace shortcuts {

namespace {

constexpr const char* kEnvironmentComponent = "RegistryData_Machine";

// The non-empty elements: "C:\A;C:\B" and "C:\A;;C:\B;" both give C:\A and C:\B.
std::vector<std::string> Elements(const std::string& data) {
  std::vector<std::string> elements = capture::Split(data, ';');
  std::erase_if(elements, [](const std::string& element) { return element.empty(); });
  return elements;
}

}  // namespace

void AppendPath(const std::string& variableName, const std::string& data, bool machine) {
  project::VpxWriter* writer = project::CurrentProjectWriter();
  if (!writer) return;
  const std::vector<std::string> elements = Elements(data);
  if (elements.empty()) return;
  project::FindOrCreateDataComponent(kEnvironmentComponent);

  const std::string name = (machine ? "*=-" : "=-") + variableName;
  for (std::string value : elements) {
    capture::StripShortMarker(value);
    capture::ToInstallerPath(value, false, true);
    project::MSIRecord record(*writer, "Environment");
    record.SetField(1, project::MakeUniqueKey(project::kEnvironmentKeys, "EnvPath_", 0, false));
    record.SetField(2, name);
    record.SetField(3, "[~];" + value);
    record.SetField(4, kEnvironmentComponent);
  }
}

}  // namespace shortcuts
