// VpxWriter::PrepareRelease and VpxWriter::Build: the release settings, the builder and its
// messages, and the output paths.
#include "project/build_result_store.h"
#include "project/vpx_build.h"

#include <atomic>

#include "core/cancellation.h"
#include "core/guid_source.h"
#include "core/messages.h"
#include "core/repackager_exception.h"
#include "options/project_options.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/host_paths.h"
#include "platform/text.h"
#include "platform/windows_names.h"
#include "project/check_hr.h"
#include "project/engine_loader.h"
#include "project/vpx_writer.h"
#include "qv/builder.h"
#include "qv/project_tables.h"

namespace project {
namespace {

constexpr int kCancelledByUser = 21005;
constexpr int kBuildFailed = 21081;
constexpr int kCannotCreateProject = 22006;
constexpr int32_t kRebuildOption = 1;

// Every message of the builder becomes a build record (type 3); details meant for the log
// only (the validation warnings) are written into the conversion log as build records are.
class BuildEventSink final : public qv::SingleInterfaceObject<qv::IBuildEvents, qv::IID_IBuildEvents> {
 public:
  qv::HResult OnMessage(int32_t severity, const std::string& text) override {
    core::MessageRecord record;
    record.type = core::kBuildOutput;
    record.text = platform::Utf8ToAnsi(text);
    if (severity == qv::kBuildLogOnly)
      core::WriteLogLine(core::kTraceGeneral,
                         core::FormatLogRecordLine(record, platform::FormatLocalTimeNow("%I:%M:%S%p")));
    else
      core::LogMessage(record);
    return qv::kOk;
  }
};

// Detaches the event sink however the build ends.
class AdviseGuard {
 public:
  AdviseGuard(qv::IBuilder* builder, qv::IBuildEvents* sink) : builder_(builder) {
    if (builder_) advised_ = qv::Succeeded(CHECK_HR(builder_->Advise(sink)));
  }
  ~AdviseGuard() {
    if (advised_) CHECK_HR(builder_->Unadvise());
  }
  AdviseGuard(const AdviseGuard&) = delete;
  AdviseGuard& operator=(const AdviseGuard&) = delete;

 private:
  qv::IBuilder* builder_;
  bool advised_ = false;
};

qv::ComPtr<qv::IBuilder> CreateBuilder() {
  qv::ComPtr<qv::IBuilder> builder;
  qv::HResult hr = CreateEngineObject(kBuilderLibrary, qv::CLSID_Builder, qv::IID_IBuilder, &builder);
  if (qv::Failed(hr)) hr = CreateEngineObject(kBuilderLibrary, qv::CLSID_Builder, qv::IID_IBuilder, &builder);
  CHECK_HR(hr);
  if (builder) return builder;
  // Without a builder there is no package; the user learns which library is missing or damaged.
  std::string problem;
  switch (CheckEngineLibrary(kBuilderLibrary, &problem)) {
    case EngineLibraryState::kMissing:
      core::LogMessage(core::kError, platform::Format("The engine library %s was not found in %s.", kBuilderLibrary,
                                                      platform::ProgramFolder().c_str()));
      break;
    case EngineLibraryState::kDamaged:
      core::LogMessage(core::kError,
                       platform::Format("The engine library %s is damaged: %s", kBuilderLibrary, problem.c_str()));
      break;
    case EngineLibraryState::kLoaded:
      break;
  }
  return builder;
}

void SetReleaseSetting(qv::IRelease* release, const char* name, const qv::Variant& value) {
  CHECK_HR(release->SetSetting(name, value));
}

}  // namespace

void VpxWriter::PrepareRelease() {
  if (core::IsCancelRequested()) core::ThrowMessage(kCancelledByUser);
  const options::ProjectOptions& options = options::Options();
  BuildResult& result = MutableBuildResult();
  result.packageName.clear();

  qv::ComPtr<qv::IProduct> product = Product();
  qv::ComPtr<qv::IProductConfigCollection> configurations;
  qv::ComPtr<qv::IProductConfig> configuration;
  qv::ComPtr<qv::IReleaseCollection> releases;
  qv::ComPtr<qv::IRelease> release;
  const std::string configurationName = platform::AnsiToUtf8(options.BuildProduct());
  const std::string releaseName = platform::AnsiToUtf8(options.BuildRelease());
  if (product && qv::Succeeded(CHECK_HR(product->GetConfigurations(configurations.Put())))) {
    if (CHECK_HR(configurations->Find(configurationName, configuration.Put())) != qv::kOk || !configuration)
      CHECK_HR(configurations->Add(configurationName, configuration.Put()));
  }
  if (configuration && qv::Succeeded(CHECK_HR(configuration->GetReleases(releases.Put())))) {
    if (CHECK_HR(releases->Find(releaseName, release.Put())) != qv::kOk || !release)
      CHECK_HR(releases->Add(releaseName, release.Put()));
  }

  if (release) {
    SetReleaseSetting(release.Get(), "Compressed", qv::Variant::Int(options.BuildCompressed() ? 1 : 0));
    SetReleaseSetting(release.Get(), "SetupExe", qv::Variant::Int(options.CreateSetupExe() ? 1 : 0));
    SetReleaseSetting(release.Get(), qv::kSettingFailOnValidationErrors,
                      qv::Variant::Int(options.FailOnValidationErrors() ? 1 : 0));
    SetReleaseSetting(release.Get(), "BuildLocation", qv::Variant::Text(qv::kProjectFolderVariable));
    // A new package code for every build; with fake GUIDs every time stamp of the build is
    // fixed too, so that the same project builds into the same bytes.
    SetReleaseSetting(release.Get(), "PackageCode", qv::Variant::Text(core::CreateGuidString()));
    SetReleaseSetting(release.Get(), "FixedTimestamps", qv::Variant::Int(core::UsingFakeGuids() ? 1 : 0));

    qv::Variant packageName;
    if (qv::Succeeded(CHECK_HR(release->GetSetting("PackageName", &packageName))) &&
        packageName.kind == qv::Variant::Kind::Text)
      result.packageName = platform::Utf8ToAnsi(packageName.text);
  }
  // The package is named after the product, as a plain file name in the project's folder: a
  // product name such as "../../x" or "a/b" must not lead elsewhere. The builder names it the
  // same way.
  if (result.packageName.empty()) result.packageName = ProductName();
  result.packageName = platform::PlainFileName(result.packageName, "Package");
  if (release) SetReleaseSetting(release.Get(), "PackageName", qv::Variant::Text(platform::AnsiToUtf8(result.packageName)));
  // The builder reads the saved file: a project that could not be saved must not be built.
  if (!SaveWorkingCopy()) core::ThrowMessage(kCannotCreateProject);
}

void VpxWriter::Build(ProjectInBuild project) {
  if (core::IsCancelRequested()) core::ThrowMessage(kCancelledByUser);
  BuildResult& result = MutableBuildResult();
  result = BuildResult{};

  qv::ComPtr<qv::IBuilder> builder = CreateBuilder();
  qv::ComPtr<qv::IBuildEvents> sink(new BuildEventSink);
  AdviseGuard advise(builder.Get(), sink.Get());

  PrepareRelease();

  const options::ProjectOptions& options = options::Options();
  if (builder) {
    CHECK_HR(builder->SetProject(Project(), platform::AnsiToUtf8(options.BuildProduct()),
                                 platform::AnsiToUtf8(options.BuildRelease())));
    CHECK_HR(builder->SetOption(kRebuildOption, 1));
    CHECK_HR(builder->SetCancelCheck(&core::IsCancelRequested));
  }
  if (project == ProjectInBuild::kFreed) UnloadForBuild();
  if (core::IsCancelRequested()) core::ThrowMessage(kCancelledByUser);

  // Without a builder, or when the build itself fails, there is no package: that is a failed
  // build, never a success. The saved project takes its place either way, unless the build was
  // cancelled: then the old project and package both stay as they were.
  if (!builder) {
    PlaceWorkingCopy();
    core::ThrowMessage(kBuildFailed);
  }
  const qv::HResult built = CHECK_HR(builder->Build());
  if (built == qv::kAbort) core::ThrowMessage(kCancelledByUser);
  if (!PlaceWorkingCopy()) core::ThrowMessage(kCannotCreateProject);
  CHECK_HR(builder->GetErrorCount(&result.errorCount));
  CHECK_HR(builder->GetWarningCount(&result.warningCount));
  if (result.errorCount != 0 || qv::Failed(built)) core::ThrowMessage(kBuildFailed);

  const BuildOutput output = ComputeBuildOutput(ProjectPath(), result.packageName, options.UseBuildPath(),
                                                options.BuildCompressed(), options.CreateSetupExe());
  result.outputFolder = output.outputFolder;
  result.packagePath = output.packagePath;
}

}  // namespace project
