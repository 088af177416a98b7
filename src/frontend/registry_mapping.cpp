#include "frontend/registry_mapping.h"

#include "capture/registry_model.h"
#include "content/component_writer.h"
#include "content/content_session.h"
#include "content/icon_keys.h"
#include "content/ini_files.h"
#include "core/cancellation.h"
#include "frontend/progress_plan.h"
#include "mappers/app_id_mapper.h"
#include "mappers/app_paths_mapper.h"
#include "mappers/com_class_mapper.h"
#include "mappers/component_category_mapper.h"
#include "mappers/environment_mapper.h"
#include "mappers/extension_mapper.h"
#include "mappers/odbc_mapper.h"
#include "mappers/prog_id_mapper.h"
#include "mappers/service_mapper.h"
#include "mappers/type_lib_mapper.h"
#include "mappers/verb_mapper.h"
#include "options/project_options.h"
#include "shortcuts/environment_path.h"

namespace frontend {
namespace {

mappers::ContentAccess ContentForMappers() {
  mappers::ContentAccess access;
  access.iconKey = [](const std::string& sourcePath, int32_t index) {
    return content::GetIconKey(sourcePath, index, "");
  };
  access.appendEnvironment = shortcuts::AppendPath;
  access.odbcSourceComponent = [](const std::string& dataSource, const std::string& dataSourceKey) {
    content::ComponentWriter* components = content::CurrentComponentWriter();
    if (!components) return mappers::ComponentRef();
    const std::string name = components->MakeComponentName(dataSource, "", content::kOdbcSourceNaming);
    return components->CreateComponent(name, dataSourceKey, "INSTALLDIR", "", content::kOdbcSourceComponent);
  };
  return access;
}

// Announces a mapper's step; the mappers run whether COMMapping is on or not, but only
// announce themselves when it is.
void Announce(int id) {
  if (mappers::ComMapping()) NextStep(id);
}

// The chain that the "Sequence" switch "Mapping" runs.
void MapRegistrations(capture::RegistryModel& registry, project::VpxWriter& project,
                      const mappers::ContentAccess& content) {
  mappers::SetMappingSwitches(options::Options().COMMapping(), options::SequenceSwitch("MiscRegMapping"));
  Announce(kStepAdvertisingTables);
  mappers::KeyPosition start = registry.Keys().begin();

  mappers::TypeLibMapper typeLibs(registry, project, content);
  mappers::ComClassMapper classes(registry, project, content);
  mappers::AppIdMapper appIds(registry, project, content);
  mappers::ProgIdMapper progIds(registry, project, content);
  mappers::ExtensionMapper extensions(registry, project, content);
  mappers::VerbMapper verbs(registry, project, content, extensions);
  mappers::ComponentCategoryMapper categories(registry, project, content);

  Announce(kStepTypeLibs);
  start = typeLibs.MapRegistry(start);
  Announce(kStepComData);
  start = classes.MapRegistry(start);
  Announce(kStepAppIds);
  start = appIds.MapRegistry(start);
  Announce(kStepProgIds);
  start = progIds.MapRegistry(start);
  Announce(kStepClassTable);
  classes.WriteClassTable();
  Announce(kStepExtensions);
  start = extensions.MapRegistry(start);
  Announce(kStepVerbs);
  start = verbs.MapRegistry(start);
  Announce(kStepProgIdTable);
  progIds.WriteProgIdTable();
  categories.MapRegistry(start);

  if (options::Options().ServiceControlEvents()) {
    NextStep(kStepServices);
    mappers::ServiceMapper(registry, project, content).MapRegistry(start);
  }
  if (options::SequenceSwitch("AppPathsMapping")) {
    NextStep(kStepAppPaths);
    mappers::AppPathsMapper(registry, project, content).MapRegistry(start);
  }
  if (options::SequenceSwitch("EnvMapping")) {
    NextStep(kStepEnvironment);
    mappers::EnvironmentMapper(registry, project, content).MapRegistry(start);
  }
}

}  // namespace

void MapRegistry(capture::RegistryModel& registry, project::VpxWriter& project) {
  core::TestCancel();
  const mappers::ContentAccess content = ContentForMappers();
  if (options::SequenceSwitch("Mapping")) MapRegistrations(registry, project, content);
  // The AddIni edits follow their own switch.
  if (options::SequenceSwitch("INI")) {
    NextStep(kStepIniFiles);
    ::content::MapIniEdits(registry);
  }
  if (options::Options().ODBCMapping()) {
    NextStep(kStepOdbc);
    mappers::ODBCMapper(registry, project, content).MapRegistry(registry.Keys().begin());
  }
}

}  // namespace frontend
