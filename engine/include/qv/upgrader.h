// Template version check and upgrade of QvUpgrd.dll.
#pragma once

#include <string>

#include "qv/com.h"

namespace qv {

// Version states reported by GetVersionState.
constexpr int32_t kVersionCurrent = 0;        // a project file of the current format
constexpr int32_t kVersionNotDatabase = 1;    // not an MSI-format database: cannot be upgraded
constexpr int32_t kVersionNewer = 3;          // written by a newer engine: cannot be upgraded
constexpr int32_t kVersionNeedsUpgrade = 2;   // an MSI-format database without the current project tables

struct IUpgradeEvents : IUnknown {
  virtual HResult OnMessage(const std::string& text) = 0;
};
inline constexpr Guid IID_IUpgradeEvents = MakeGuid("9FBC23BF-2A6F-47AC-A70B-21286A8E8668");

struct IUpgrader : IUnknown {
  virtual HResult GetVersionState(const std::string& path, int32_t* state) = 0;
  // The file the upgrade of path writes before it replaces path (the caller deletes a stale one).
  virtual HResult GetOutputFileName(const std::string& path, std::string* outputPath) = 0;
  // Option 1: keep a backup of the original; option 2: run silently. Both precede Upgrade.
  virtual HResult SetOption(int32_t option, bool on) = 0;
  virtual HResult Advise(IUpgradeEvents* events) = 0;
  virtual HResult Unadvise() = 0;
  // Brings the file at path to the current project format in place.
  virtual HResult Upgrade(const std::string& path) = 0;
  // 0 after a successful upgrade, non-zero after a failed one.
  virtual HResult GetResult(int32_t* result) = 0;
};
inline constexpr Guid IID_IUpgrader = MakeGuid("DAF94C27-C130-49FC-AB6E-B19EA24E008D");
inline constexpr Guid CLSID_Upgrader = MakeGuid("84366E23-6537-4028-B64C-08ADFE030D3A");

}  // namespace qv
