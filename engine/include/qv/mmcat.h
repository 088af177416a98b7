// Merge module catalog of QvMMCat.dll.
#pragma once

#include <string>

#include "qv/com.h"
#include "qv/entity.h"

namespace qv {

struct IMergeModule : IUnknown {
  // The module's file name ("fernrt.msm").
  virtual HResult GetName(std::string* name) = 0;
  // Records the module in the project (QvMergeModule) for the feature whose component it
  // replaces; the build merges it into that feature. kFalse when it is already recorded.
  virtual HResult AddToProject(IProject* project, const std::string& feature) = 0;
};
inline constexpr Guid IID_IMergeModule = MakeGuid("98360EF0-8F79-45C6-B5FB-B4269F70EE23");

struct IMergeModuleCatalog : IUnknown {
  // Comma-separated folders that hold merge modules (.msm).
  virtual HResult SetSearchPath(const std::string& folders) = 0;
  // kFalse (and *module null) when no module carries the file.
  virtual HResult FindByFile(const std::string& fileName, const std::string& language,
                             const std::string& version, IMergeModule** module) = 0;
  virtual HResult FindByPathVersion(const std::string& path, const std::string& language,
                                    const std::string& version, IMergeModule** module) = 0;
};
inline constexpr Guid IID_IMergeModuleCatalog = MakeGuid("8CAEAA40-9C42-4F2C-940F-99046FE63BF9");
inline constexpr Guid CLSID_MergeModuleCatalog = MakeGuid("05B5A8A2-5C0B-40D3-881F-D1632D07F766");

}  // namespace qv
