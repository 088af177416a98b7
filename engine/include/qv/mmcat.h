// Merge module catalog of QvMMCat.dll.
#pragma once

#include <string>
#include <vector>

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
  // Comma-separated folders that hold merge modules (.msm); their modules are indexed now.
  // Without a search path the catalog looks in the folder "MergeModules" beside its library.
  virtual HResult SetSearchPath(const std::string& folders) = 0;
  // kFalse (and *module null) when no module carries the file. Names compare without regard to
  // case; the version must equal the module file's ("" only matches an unversioned file); the
  // language must be one of the module file's (a module file without language, or "0", and an
  // empty language match any). Of several modules the first in search order wins: folders in
  // the search path's order, then module file names in byte order.
  virtual HResult FindByFile(const std::string& fileName, const std::string& language,
                             const std::string& version, IMergeModule** module) = 0;
  // As FindByFile for the file name of path; the module must also install the file into the
  // folder of path: the standard folder its Directory chain reaches ("SystemFolder") and the
  // folders below it must be the last components of path's folder ("C:\cap\SystemFolder" or
  // "[SystemFolder]"). A module file in no standard folder matches no path.
  virtual HResult FindByPathVersion(const std::string& path, const std::string& language,
                                    const std::string& version, IMergeModule** module) = 0;
  // "<module path>: <reason>" for each module of the search path that was skipped (not a
  // readable merge module).
  virtual HResult GetProblems(std::vector<std::string>* problems) = 0;
};
inline constexpr Guid IID_IMergeModuleCatalog = MakeGuid("8CAEAA40-9C42-4F2C-940F-99046FE63BF9");
inline constexpr Guid CLSID_MergeModuleCatalog = MakeGuid("05B5A8A2-5C0B-40D3-881F-D1632D07F766");

}  // namespace qv
