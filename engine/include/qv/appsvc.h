// Suite services of QvAppSvc.dll: where the blank template lies, and the DLL wrapper.
#pragma once

#include <string>

#include "qv/com.h"
#include "qv/entity.h"

namespace qv {

struct IAppServices : IUnknown {
  // The folder that holds QvProjBlankTpl.vpx (the folder of the library itself), with a
  // trailing separator.
  virtual HResult GetTemplateFolder(std::string* folder) = 0;
  virtual HResult AttachProject(IProject* project) = 0;
  // Records in the attached project (table QvDllWrapper) that custom actions calling DLL
  // functions use the DLL wrapper named name; the build carries the wrapper into the package.
  // kFalse when it is recorded already, kNotOpen without an attached project.
  virtual HResult AddDllWrapper(const std::string& name) = 0;
};
inline constexpr Guid IID_IAppServices = MakeGuid("537E14D0-B0D1-4801-BE07-3B7809D15341");
inline constexpr Guid CLSID_AppServices = MakeGuid("04F8F326-5097-436C-AF40-C2A0A1999D50");

}  // namespace qv
