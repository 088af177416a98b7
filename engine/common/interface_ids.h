// The interface identifier of each engine interface, for ComObject's QueryInterface.
#pragma once

#include "qv/appsvc.h"
#include "qv/builder.h"
#include "qv/com.h"
#include "qv/entity.h"
#include "qv/mmcat.h"
#include "qv/upgrader.h"

namespace qv::engine {

template <class I>
struct InterfaceId;

#define QV_INTERFACE_ID(Interface)                   \
  template <>                                        \
  struct InterfaceId<Interface> {                    \
    static constexpr Guid kIid = IID_##Interface;    \
  };

QV_INTERFACE_ID(IClassFactory)
QV_INTERFACE_ID(IField)
QV_INTERFACE_ID(IFieldCollection)
QV_INTERFACE_ID(IRow)
QV_INTERFACE_ID(IView)
QV_INTERFACE_ID(ITable)
QV_INTERFACE_ID(ITableCollection)
QV_INTERFACE_ID(IDatabase)
QV_INTERFACE_ID(IComponent)
QV_INTERFACE_ID(IComponentCollection)
QV_INTERFACE_ID(IFile)
QV_INTERFACE_ID(IFileCollection)
QV_INTERFACE_ID(IRegistryEntry)
QV_INTERFACE_ID(IRegistryCollection)
QV_INTERFACE_ID(IDirectory)
QV_INTERFACE_ID(IDirectoryCollection)
QV_INTERFACE_ID(IRelease)
QV_INTERFACE_ID(IReleaseCollection)
QV_INTERFACE_ID(IProductConfig)
QV_INTERFACE_ID(IProductConfigCollection)
QV_INTERFACE_ID(IProduct)
QV_INTERFACE_ID(IProject)
QV_INTERFACE_ID(IUpgradeEvents)
QV_INTERFACE_ID(IUpgrader)
QV_INTERFACE_ID(IAppServices)
QV_INTERFACE_ID(IBuildEvents)
QV_INTERFACE_ID(IBuilder)
QV_INTERFACE_ID(IMergeModule)
QV_INTERFACE_ID(IMergeModuleCatalog)

#undef QV_INTERFACE_ID

}  // namespace qv::engine
