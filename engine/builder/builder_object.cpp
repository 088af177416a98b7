// SABuild.dll until the package build is available: the library and its class exist, Build
// answers kNotImplemented and reports one error, so that no caller takes a package for built.
#include <string>

#include "com_object.h"
#include "qv/builder.h"

namespace qv::engine {
namespace {

class Builder : public ComObject<IBuilder> {
 public:
  HResult Advise(IBuildEvents* events) override {
    events_ = ComPtr<IBuildEvents>(events);
    return kOk;
  }
  HResult Unadvise() override {
    events_.Reset();
    return kOk;
  }
  HResult SetProject(IProject* project, const std::string& configuration, const std::string& release) override {
    if (!project) return kPointer;
    project_ = ComPtr<IProject>(project);
    configuration_ = configuration;
    release_ = release;
    return kOk;
  }
  HResult SetOption(int32_t, int32_t) override { return kOk; }
  HResult Build() override {
    errors_ = 1;
    if (events_) events_->OnMessage(kBuildError, "The package build is not available in this version.");
    return kNotImplemented;
  }
  HResult GetErrorCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = errors_;
    return kOk;
  }
  HResult GetWarningCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = 0;
    return kOk;
  }
  HResult GetPackagePath(std::string* path) override { return kNotImplemented; }

 private:
  ComPtr<IBuildEvents> events_;
  ComPtr<IProject> project_;
  std::string configuration_;
  std::string release_;
  int32_t errors_ = 0;
};

}  // namespace
}  // namespace qv::engine

QV_EXPORT_CLASS_OBJECT(qv::CLSID_Builder, qv::engine::Builder)
