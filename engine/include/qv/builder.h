// Package build of SABuild.dll: turns the saved project into a Windows Installer package.
#pragma once

#include <string>

#include "qv/com.h"
#include "qv/entity.h"

namespace qv {

// Severities of build messages.
constexpr int32_t kBuildInfo = 0;
constexpr int32_t kBuildWarning = 1;
constexpr int32_t kBuildError = 2;
// A detail for the caller's log only, not a record the user sees (validation warnings).
constexpr int32_t kBuildLogOnly = 3;

struct IBuildEvents : IUnknown {
  virtual HResult OnMessage(int32_t severity, const std::string& text) = 0;
};
inline constexpr Guid IID_IBuildEvents = MakeGuid("397AD200-7174-4BD5-B35E-6111269F9A33");

struct IBuilder : IUnknown {
  virtual HResult Advise(IBuildEvents* events) = 0;
  virtual HResult Unadvise() = 0;
  // The open (and saved) project and the names of the product configuration and release. The
  // build reads the project as it was saved: only its path is kept, so that the caller may let
  // the project go (and its memory with it) before the build.
  virtual HResult SetProject(IProject* project, const std::string& configuration,
                             const std::string& release) = 0;
  // Option 1: build the release even when it exists already (rebuild).
  virtual HResult SetOption(int32_t option, int32_t value) = 0;
  // Asked between the steps of Build and for every file it packs; null: never cancelled.
  virtual HResult SetCancelCheck(CancelCheck check) = 0;
  // kAbort when the cancel check stopped it: the existing package and image are then unchanged.
  virtual HResult Build() = 0;
  virtual HResult GetErrorCount(int32_t* count) = 0;
  virtual HResult GetWarningCount(int32_t* count) = 0;
  // Where the package went (host path), after Build.
  virtual HResult GetPackagePath(std::string* path) = 0;
};
inline constexpr Guid IID_IBuilder = MakeGuid("E4F2F2AE-0F7C-4831-93C4-58C55412BA29");
inline constexpr Guid CLSID_Builder = MakeGuid("7C4BED54-BEC3-4030-BE7F-A7335C23737A");

}  // namespace qv
