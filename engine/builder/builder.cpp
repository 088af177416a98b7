// SABuild.dll: the builder class and the library's DllGetClassObject.
#include "build_messages.h"
#include "com_object.h"
#include "package_build.h"
#include "platform/dynamic_library.h"
#include "qv/builder.h"

namespace builder {
namespace {

// An object of this library: its address names the library file (the launcher lies beside it).
const char kModuleMarker = 0;

// Sends build messages to the caller's event sink.
class SinkMessages final : public BuildMessages {
 public:
  SinkMessages(qv::IBuildEvents* events, qv::CancelCheck cancelCheck) : events_(events), cancelCheck_(cancelCheck) {}
  bool Cancelled() const override { return cancelCheck_ && cancelCheck_(); }

 protected:
  void Send(int32_t severity, const std::string& text) override {
    if (events_) events_->OnMessage(severity, text);
  }

 private:
  qv::IBuildEvents* events_;
  qv::CancelCheck cancelCheck_;
};

class Builder final : public qv::engine::ComObject<qv::IBuilder> {
 public:
  qv::HResult Advise(qv::IBuildEvents* events) override {
    events_ = qv::ComPtr<qv::IBuildEvents>(events);
    return qv::kOk;
  }
  qv::HResult Unadvise() override {
    events_.Reset();
    return qv::kOk;
  }
  qv::HResult SetProject(qv::IProject* project, const std::string& configuration, const std::string& release) override {
    if (!project) return qv::kPointer;
    projectPath_.clear();
    project->GetPath(&projectPath_);  // empty for a project never saved
    projectSet_ = true;
    configuration_ = configuration;
    release_ = release;
    return qv::kOk;
  }
  qv::HResult SetOption(int32_t option, int32_t value) override {
    // Option 1 (rebuild): every build starts from the saved project, so it always holds.
    return option == 1 ? qv::kOk : qv::kInvalidArg;
  }
  qv::HResult SetCancelCheck(qv::CancelCheck check) override {
    cancelCheck_ = check;
    return qv::kOk;
  }
  qv::HResult Build() override {
    if (!projectSet_) return qv::kNotOpen;
    SinkMessages messages(events_.Get(), cancelCheck_);
    BuildRequest request;
    request.projectPath = projectPath_;
    request.configuration = configuration_;
    request.release = release_;
    request.engineFolder = platform::ModuleFolderOf(&kModuleMarker);
    packagePath_.clear();
    const bool built = RunBuild(request, messages, &packagePath_);
    errors_ = messages.ErrorCount();
    warnings_ = messages.WarningCount();
    if (!built && errors_ == 0) errors_ = 1;  // a build that did not finish never counts as clean
    if (!built && messages.Cancelled()) return qv::kAbort;
    return built ? qv::kOk : qv::kFail;
  }
  qv::HResult GetErrorCount(int32_t* count) override {
    if (!count) return qv::kPointer;
    *count = errors_;
    return qv::kOk;
  }
  qv::HResult GetWarningCount(int32_t* count) override {
    if (!count) return qv::kPointer;
    *count = warnings_;
    return qv::kOk;
  }
  qv::HResult GetPackagePath(std::string* path) override {
    if (!path) return qv::kPointer;
    *path = packagePath_;
    return qv::kOk;
  }

 private:
  qv::ComPtr<qv::IBuildEvents> events_;
  bool projectSet_ = false;
  std::string projectPath_, configuration_, release_, packagePath_;
  int32_t errors_ = 0, warnings_ = 0;
  qv::CancelCheck cancelCheck_ = nullptr;
};

}  // namespace
}  // namespace builder

QV_EXPORT_CLASS_OBJECT(qv::CLSID_Builder, builder::Builder)
