// Components by name, for every step that puts data into a component of a fixed name (the
// registry data components, "RemoveFile_Component", the environment rows, a mapper's own
// components). The component writer of the content steps owns the components of a conversion;
// the program hands it to this layer as a ComponentSource, so that the steps beside the content
// steps reach the same components without depending on them.
#pragma once

#include <string>

#include "qv/com.h"
#include "qv/entity.h"

namespace project {

class ComponentSource {
 public:
  virtual ~ComponentSource() = default;
  // The component of that name in the open project, made (in "[INSTALLDIR]" for the current
  // feature) when create is set and it is missing; *created, when given, tells whether it was
  // made now. Empty when there is no open project.
  virtual qv::ComPtr<qv::IComponent> GetComponent(const std::string& name, bool create,
                                                  bool* created) = 0;
  // Gives a component made for per-user data its key path under HKEY_CURRENT_USER.
  virtual void GivePerUserKeyPath(const qv::ComPtr<qv::IComponent>& component,
                                  const std::string& name) = 0;
};

// Installed by the program before the conversion steps run; null uninstalls.
void SetComponentSource(ComponentSource* source);

// The source's component; empty when no source is installed or no project is open.
qv::ComPtr<qv::IComponent> GetComponent(const std::string& name, bool create);

// GetComponent with create; a component made now also gets its CreateFolder row for
// INSTALLDIR (it has no key file, so its folder is its key path). A per-user one (data under
// HKEY_CURRENT_USER) gets a key path under HKEY_CURRENT_USER instead, so that the installer
// writes its data for every user who runs the product, not only for the one who installed it.
qv::ComPtr<qv::IComponent> FindOrCreateDataComponent(const std::string& name, bool perUser = false);

}  // namespace project
