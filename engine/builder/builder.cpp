// SABuild.dll: the builder class and the library's DllGetClassObject.
#include <atomic>

#include "build_messages.h"
#include "package_build.h"
#include "platform/dynamic_library.h"
#include "qv/builder.h"

namespace builder {
namespace {

std::atomic<int> g_liveObjects{0};

// Sends build messages to the caller's event sink.
class SinkMessages final : public BuildMessages {
 public:
  explicit SinkMessages(qv::IBuildEvents* events) : events_(events) {}

 protected:
  void Send(int32_t severity, const std::string& text) override {
    if (events_) events_->OnMessage(severity, text);
  }

 private:
  qv::IBuildEvents* events_;
};

class Builder final : public qv::IBuilder {
 public:
  Builder() { ++g_liveObjects; }

  qv::HResult QueryInterface(const qv::Guid& iid, void** out) override {
    if (!out) return qv::kPointer;
    if (iid == qv::IID_IUnknown || iid == qv::IID_IBuilder) {
      *out = static_cast<qv::IBuilder*>(this);
      AddRef();
      return qv::kOk;
    }
    *out = nullptr;
    return qv::kNoInterface;
  }
  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

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
    project_ = qv::ComPtr<qv::IProject>(project);
    configuration_ = configuration;
    release_ = release;
    return qv::kOk;
  }
  qv::HResult SetOption(int32_t option, int32_t value) override {
    // Option 1 (rebuild): every build starts from the saved project, so it always holds.
    return option == 1 ? qv::kOk : qv::kInvalidArg;
  }
  qv::HResult Build() override {
    if (!project_) return qv::kNotOpen;
    SinkMessages messages(events_.Get());
    BuildRequest request;
    request.project = project_.Get();
    request.configuration = configuration_;
    request.release = release_;
    request.engineFolder = platform::ModuleFolderOf(reinterpret_cast<const void*>(&g_liveObjects));
    packagePath_.clear();
    const bool built = RunBuild(request, messages, &packagePath_);
    errors_ = messages.ErrorCount();
    warnings_ = messages.WarningCount();
    if (!built && errors_ == 0) errors_ = 1;  // a build that did not finish never counts as clean
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
  ~Builder() { --g_liveObjects; }
  std::atomic<uint32_t> references_{0};
  qv::ComPtr<qv::IBuildEvents> events_;
  qv::ComPtr<qv::IProject> project_;
  std::string configuration_, release_, packagePath_;
  int32_t errors_ = 0, warnings_ = 0;
};

class BuilderFactory final : public qv::IClassFactory {
 public:
  qv::HResult QueryInterface(const qv::Guid& iid, void** out) override {
    if (!out) return qv::kPointer;
    if (iid == qv::IID_IUnknown || iid == qv::IID_IClassFactory) {
      *out = static_cast<qv::IClassFactory*>(this);
      return qv::kOk;
    }
    *out = nullptr;
    return qv::kNoInterface;
  }
  uint32_t AddRef() override { return 1; }  // one static factory for the library's lifetime
  uint32_t Release() override { return 1; }
  qv::HResult CreateInstance(qv::IUnknown* outer, const qv::Guid& iid, void** out) override {
    if (!out) return qv::kPointer;
    *out = nullptr;
    if (outer) return qv::kClassNotAvailable;
    qv::ComPtr<qv::IBuilder> builder(new Builder);
    return builder->QueryInterface(iid, out);
  }
  qv::HResult LockServer(bool) override { return qv::kOk; }
};

}  // namespace
}  // namespace builder

extern "C" __attribute__((visibility("default"))) qv::HResult DllGetClassObject(const qv::Guid& clsid,
                                                                                const qv::Guid& iid, void** out) {
  static builder::BuilderFactory factory;
  if (!out) return qv::kPointer;
  *out = nullptr;
  if (!(clsid == qv::CLSID_Builder)) return qv::kClassNotAvailable;
  return factory.QueryInterface(iid, out);
}
