#include "frontend/registry_mapping.h"

#include "capture/registry_model.h"
#include "content/icon_keys.h"
#include "core/cancellation.h"
#include "frontend/progress_plan.h"
#include "mappers/app_id_mapper.h"
#include "mappers/com_class_mapper.h"
#include "mappers/component_category_mapper.h"
#include "mappers/extension_mapper.h"
#include "mappers/prog_id_mapper.h"
#include "mappers/type_lib_mapper.h"
#include "mappers/verb_mapper.h"
#include "options/project_options.h"

namespace frontend {
namespace {

mappers::ContentAccess ContentForMappers() {
  mappers::ContentAccess access;
  access.iconKey = [](const std::string& sourcePath, int32_t index) {
    return content::GetIconKey(sourcePath, index, "");
  };
  return access;
}

// Announces a mapper's step; the mappers run whether COMMapping is on or not, but only
// announce themselves when it is.
void Announce(int id) {
  if (mappers::ComMapping()) NextStep(id);
}

}  // namespace

void MapRegistry(capture::RegistryModel& registry, project::VpxWriter& project) {
  core::TestCancel();
  if (!options::SequenceSwitch("Mapping")) return;
  mappers::SetMappingSwitches(options::Options().COMMapping(), options::SequenceSwitch("MiscRegMapping"));
  Announce(kStepAdvertisingTables);

  const mappers::ContentAccess content = ContentForMappers();
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
}

}  // namespace frontend
