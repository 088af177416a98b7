// Components by name, for every step that puts data into a component of a fixed name (the
// registry data components, "RemoveFile_Component", the environment rows, a mapper's own
// components). Both work on the component writer of the current conversion.
#pragma once

#include <string>

#include "qv/com.h"
#include "qv/entity.h"

namespace content {

// The component of that name in the open project; with create, a missing one is made in
// "[INSTALLDIR]" for the current feature. Empty when there is no open project.
qv::ComPtr<qv::IComponent> GetComponent(const std::string& name, bool create);

// GetComponent with create; a component made now also gets its CreateFolder row for
// INSTALLDIR (it has no key file, so its folder is its key path). A per-user one (data under
// HKEY_CURRENT_USER) gets a key path under HKEY_CURRENT_USER instead, so that the installer
// writes its data for every user who runs the product, not only for the one who installed it.
qv::ComPtr<qv::IComponent> FindOrCreateDataComponent(const std::string& name, bool perUser = false);

}  // namespace content
