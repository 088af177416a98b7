// The project writer: project creation from the template, identity and product settings,
// properties, directories, features, and the save.
//
// The project is made on a working copy of the template beside the output project; only a
// successful save puts it in place, so a conversion that fails leaves an existing project file
// as it was.
#include "project/vpx_writer.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "core/cancellation.h"
#include "core/guid_source.h"
#include "core/messages.h"
#include "core/repackager_exception.h"
#include "core/string_table.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "platform/host_paths.h"
#include "platform/memory.h"
#include "platform/temporaries.h"
#include "platform/text.h"
#include "project/check_hr.h"
#include "project/engine_loader.h"
#include "project/keys.h"
#include "project/msi_record.h"
#include "qv/appsvc.h"
#include "qv/installer_properties.h"
#include "qv/upgrader.h"

namespace project {

namespace {

constexpr const char* kBlankTemplateName = "QvProjBlankTpl.vpx";
constexpr int kComponentsPerFeature = 500;
constexpr int kCancelledByUser = 21005;

VpxWriter* g_currentWriter = nullptr;

std::string ToEngine(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }
std::string FromEngine(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }

// Forwards the upgrader's progress texts to the conversion log.
class UpgradeEventSink final : public qv::SingleInterfaceObject<qv::IUpgradeEvents, qv::IID_IUpgradeEvents> {
 public:
  qv::HResult OnMessage(const std::string& text) override {
    core::LogTrace(core::kTraceGeneral, "%s", FromEngine(text).c_str());
    return qv::kOk;
  }
};

// The file name of a path: the text after its last separator.
std::string FileNameOf(const std::string& path) {
  size_t cut = platform::LastSeparator(path);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The product version of the options: letters, digits and dots only; "1.00" when nothing is left.
std::string CleanProductVersion(const std::string& version) {
  std::string cleaned;
  for (char c : version) {
    unsigned char u = static_cast<unsigned char>(c);
    if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '.')
      cleaned += c;
  }
  return cleaned.empty() ? "1.00" : cleaned;
}

}  // namespace

struct VpxWriter::State {
  // The two cached engine references: the database goes when the project is closed, the product
  // object at destruction.
  qv::ComPtr<qv::IDatabase> database;
  qv::ComPtr<qv::IProduct> product;
  std::string currentFeature;
  std::string defaultFeature;
  qv::ComPtr<qv::IProject> project;
  std::string productName;
  qv::ComPtr<qv::IUpgrader> upgrader;
  qv::ComPtr<qv::IUpgradeEvents> upgradeEvents;
  int32_t versionState = qv::kVersionCurrent;

  std::string projectPath;  // where the project is saved
  std::string workingPath;  // the working copy the engine has open until then
  bool open = false;
  int featureCount = 0;
  int componentsInFeature = 0;
  std::set<std::string, platform::LessNoCase> knownDirectories;

  void RemoveWorkingCopy() {
    if (!workingPath.empty()) platform::RemoveFile(workingPath);
    workingPath.clear();
  }
};

VpxWriter::VpxWriter() : state_(new State) {
  if (qv::Failed(CHECK_HR(CreateEngineObject(kEntityLibrary, qv::CLSID_Project, qv::IID_IProject,
                                             &state_->project))) ||
      !state_->project) {
    delete state_;
    state_ = nullptr;
    throw core::repackager_exception(core::FormatString(22008, kEntityLibrary));
  }
}

VpxWriter::~VpxWriter() {
  if (!state_) return;
  if (g_currentWriter == this) g_currentWriter = nullptr;
  Close(false);
  delete state_;
}

// ---------------------------------------------------------------------------------------------
// Creation

namespace {

[[noreturn]] void Fatal(int id) { core::ThrowMessage(id); }

// The folder of the project with a trailing separator, created with all its parents.
void CreateProjectFolder(const std::string& projectPath) {
  std::string full = platform::FullPath(projectPath);
  size_t cut = platform::LastSeparator(full);
  std::string folder = cut == std::string::npos ? std::string(".") : full.substr(0, cut + 1);
  if (!platform::CreateDirectories(folder)) {
    core::LogTrace(core::kTraceGeneral, "Can't create directory '%s'", folder.c_str());
    Fatal(22006);
  }
}

std::string FindTemplate() {
  const std::string& option = options::Options().ProjectTemplate();
  if (!option.empty()) return option;

  std::string folder;
  qv::ComPtr<qv::IAppServices> services;
  if (qv::Succeeded(CHECK_HR(CreateEngineObject(kAppServicesLibrary, qv::CLSID_AppServices,
                                                qv::IID_IAppServices, &services))) &&
      services) {
    std::string utf8;
    if (qv::Succeeded(CHECK_HR(services->GetTemplateFolder(&utf8)))) folder = FromEngine(utf8);
  }
  if (folder.empty()) folder = platform::CurrentDirectory();
  if (folder.empty() || !platform::IsSeparator(folder.back())) folder += '/';
  return platform::Format("%s%s", folder.c_str(), kBlankTemplateName);
}

// Copies the template to the working copy and makes the copy writable.
void CopyTemplate(const std::string& templatePath, const std::string& workingPath,
                  const std::string& projectPath) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::copy_file(platform::ResolveHostPath(templatePath), workingPath,
                fs::copy_options::overwrite_existing, error);
  if (error) {
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory)
      core::LogMessage(core::kError, core::FormatString(22008, projectPath.c_str()));
    Fatal(22006);
  }
  // A read-only template gives a read-only copy.
  fs::permissions(workingPath, fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::add, error);
  if (error) Fatal(22006);
}

}  // namespace

void VpxWriter::CheckTemplateVersion(const std::string& templateOption) {
  State& s = *state_;
  core::LogMessage(core::kBuildOutput, core::FormatString(21025, templateOption.c_str()));
  if (!s.upgrader) {
    // One retry: the first load of the library may fail where a second one succeeds.
    for (int attempt = 0; attempt < 2 && !s.upgrader; ++attempt) {
      qv::HResult hr = CreateEngineObject(kUpgraderLibrary, qv::CLSID_Upgrader, qv::IID_IUpgrader,
                                          &s.upgrader);
      if (attempt == 1) CHECK_HR(hr);
    }
  }
  if (s.upgrader) CHECK_HR(s.upgrader->GetVersionState(s.workingPath, &s.versionState));

  if (s.versionState == qv::kVersionCurrent) return;
  if (s.versionState == qv::kVersionNotDatabase || s.versionState == qv::kVersionNewer) Fatal(21024);
  if (!options::Options().AutoUpgrade()) Fatal(21021);
  UpgradeTemplate();
}

void VpxWriter::UpgradeTemplate() {
  State& s = *state_;
  core::LogMessage(core::kInformation, core::LoadString(21022));
  std::string stale;
  if (qv::Succeeded(CHECK_HR(s.upgrader->GetOutputFileName(s.workingPath, &stale))) &&
      !stale.empty() && stale != s.workingPath && platform::FileExists(stale) &&
      !platform::RemoveFile(stale))
    Fatal(21023);

  s.upgradeEvents = qv::ComPtr<qv::IUpgradeEvents>(new UpgradeEventSink);
  CHECK_HR(s.upgrader->Advise(s.upgradeEvents.Get()));
  // No backup: the upgrade runs on our own working copy, never on the user's template.
  CHECK_HR(s.upgrader->SetOption(1, false));
  CHECK_HR(s.upgrader->SetOption(2, true));
  CHECK_HR(s.upgrader->Upgrade(s.workingPath));
  CHECK_HR(s.upgrader->Unadvise());
  s.upgradeEvents.Reset();

  int32_t result = 1;
  CHECK_HR(s.upgrader->GetResult(&result));
  if (result != 0) Fatal(21023);
}

void VpxWriter::Open(const std::string& projectPath) {
  State& s = *state_;
  core::TestCancel();
  core::LogMessage(core::kInformation, core::FormatString(21010, projectPath.c_str()));

  CreateProjectFolder(projectPath);
  // What runs that were killed outright left beside their projects and packages goes; this
  // run's own temporaries there go with a second interrupt.
  const std::string projectFolder = platform::FullPath(projectPath + "/..");
  platform::RemoveTemporaries(projectFolder, platform::TemporaryOwner::kDeadProcesses);
  core::NoteTemporaryFolder(projectFolder);

  std::string templatePath = FindTemplate();
  if (!platform::FileExists(templatePath)) {
    core::LogMessage(core::kError, core::FormatString(22003, templatePath.c_str()));
    Fatal(22006);
  }

  s.RemoveWorkingCopy();
  s.workingPath = platform::TemporaryPathBeside(projectPath);
  CopyTemplate(templatePath, s.workingPath, projectPath);

  const std::string& templateOption = options::Options().ProjectTemplate();
  if (!templateOption.empty()) CheckTemplateVersion(templateOption);

  // Host paths go to the engine as the host spells them.
  if (qv::Failed(CHECK_HR(s.project->Open(s.workingPath)))) Fatal(21020);
  s.projectPath = projectPath;
  s.open = true;
  CHECK_HR(s.project->SetCancelCheck(&core::IsCancelRequested));
  CHECK_HR(s.project->SetCodePage(platform::ActiveCodePage()));

  GiveNewIdentity();
  CHECK_HR(s.project->SetFixedTimestamps(core::UsingFakeGuids()));
  ApplyProductSettings();
  LearnDirectoryKeys();
}

void VpxWriter::GiveNewIdentity() {
  SetProperty("ProductCode", core::CreateGuidString());
  SetProperty("UpgradeCode", core::CreateGuidString());
  qv::ComPtr<qv::IProduct> product = Product();
  if (!product) return;
  CHECK_HR(product->SetProductGuid(ToEngine(core::CreateGuidString())));

  qv::ComPtr<qv::IComponentCollection> components;
  if (qv::Failed(CHECK_HR(product->GetComponents(components.Put()))) || !components) return;
  int32_t count = 0;
  CHECK_HR(components->GetCount(&count));
  for (int32_t i = 0; i < count; ++i) {
    qv::ComPtr<qv::IComponent> component;
    if (qv::Succeeded(CHECK_HR(components->Item(i, component.Put()))) && component)
      CHECK_HR(component->SetGuid(ToEngine(core::CreateGuidString())));
  }
}

void VpxWriter::ApplyProductSettings() {
  State& s = *state_;
  const options::ProjectOptions& options = options::Options();
  qv::ComPtr<qv::IProduct> product = Product();

  s.productName = options.ProductName();
  if (s.productName.empty()) {
    s.productName = FileNameOf(s.projectPath);
    size_t dot = s.productName.find('.');
    if (dot != std::string::npos) s.productName.erase(dot);
  }
  if (product) CHECK_HR(product->SetName(ToEngine(s.productName)));

  if (!options.ProductVersion().empty() && product)
    CHECK_HR(product->SetVersion(ToEngine(CleanProductVersion(options.ProductVersion()))));
  if (!options.ARPPublisher().empty()) SetProperty("Manufacturer", options.ARPPublisher());
  if (!options.ARPPublisherURL().empty()) SetProperty("ARPURLINFOABOUT", options.ARPPublisherURL());
  std::string author = options.SISAuthor();
  if (!author.empty() && product) CHECK_HR(product->SetSummaryAuthor(ToEngine(author)));
  if (!options.SISSubject().empty() && product)
    CHECK_HR(product->SetSummarySubject(ToEngine(options.SISSubject())));
  if (!options.ARPSupportURL().empty()) SetProperty("ARPHELPLINK", options.ARPSupportURL());

  if (product && options.AllUsers()) {
    std::string value;
    if (CHECK_HR(product->GetProperty("ALLUSERS", &value)) == qv::kFalse) SetProperty("ALLUSERS", "2");
  }
}

void VpxWriter::LearnDirectoryKeys() {
  State& s = *state_;
  if (s.knownDirectories.empty()) {
    qv::ComPtr<qv::ITable> table = FindTable("Directory");
    qv::ComPtr<qv::IView> view;
    if (table && qv::Succeeded(CHECK_HR(table->OpenView("SELECT * FROM Directory", view.Put())))) {
      for (;;) {
        qv::ComPtr<qv::IRow> row;
        if (CHECK_HR(view->Next(row.Put())) != qv::kOk || !row) break;
        qv::ComPtr<qv::IFieldCollection> fields;
        qv::ComPtr<qv::IField> field;
        qv::Variant value;
        if (qv::Succeeded(CHECK_HR(row->GetFields(fields.Put()))) &&
            qv::Succeeded(CHECK_HR(fields->Item(1, field.Put()))) &&
            qv::Succeeded(CHECK_HR(field->GetValue(&value))) && value.kind == qv::Variant::Kind::Text)
          s.knownDirectories.insert(FromEngine(value.text));
      }
    }
  }
  s.knownDirectories.insert("RecentFolder");
  s.knownDirectories.insert("HistoryFolder");
}

bool VpxWriter::IsOpen() const { return state_->open; }
const std::string& VpxWriter::ProjectPath() const { return state_->projectPath; }

bool VpxWriter::Save() {
  State& s = *state_;
  if (!s.open) return false;
  const qv::HResult saved = CHECK_HR(s.project->SaveAs(s.projectPath));
  if (saved == qv::kAbort) core::ThrowMessage(kCancelledByUser);
  if (qv::Failed(saved)) return false;
  s.RemoveWorkingCopy();
  return true;
}

bool VpxWriter::SaveWorkingCopy() {
  State& s = *state_;
  if (!s.open) return false;
  if (s.workingPath.empty()) s.workingPath = platform::TemporaryPathBeside(s.projectPath);
  const qv::HResult saved = CHECK_HR(s.project->SaveAs(s.workingPath));
  if (saved == qv::kAbort) core::ThrowMessage(kCancelledByUser);
  return qv::Succeeded(saved);
}

bool VpxWriter::PlaceWorkingCopy() {
  State& s = *state_;
  if (s.workingPath.empty() || !platform::MoveIntoPlace(s.workingPath, s.projectPath)) return false;
  s.workingPath.clear();
  return true;
}

void VpxWriter::Close(bool save) {
  State& s = *state_;
  if (s.open) {
    if (save) Save();
    CHECK_HR(s.project->Close());
  }
  s.open = false;
  s.database.Reset();
  s.RemoveWorkingCopy();
  s.featureCount = 0;
  s.componentsInFeature = 0;
  s.currentFeature.clear();
  s.defaultFeature.clear();
  s.knownDirectories.clear();
}

void VpxWriter::UnloadForBuild() {
  State& s = *state_;
  if (s.open) CHECK_HR(s.project->Close());
  s.open = false;
  s.database.Reset();
  s.product.Reset();
  s.knownDirectories.clear();
  // The project's pages go back to the system before the builder reads its own copy: freed
  // pieces of many small rows would otherwise stay resident beside it.
  platform::ReturnFreeMemory();
}

// ---------------------------------------------------------------------------------------------
// Properties and directories

void VpxWriter::SetProperty(const std::string& name, const std::string& value) {
  qv::ComPtr<qv::IProduct> product = Product();
  if (product) CHECK_HR(product->SetProperty(ToEngine(name), ToEngine(value)));
}

void VpxWriter::AddDirectory(const std::string& key, const std::string& parent,
                             const std::string& defaultDir) {
  {
    MSIRecord record(*this, "Directory");
    record.SetField(1, key);
    record.SetField(2, parent);
    record.SetField(3, defaultDir);
  }
  state_->knownDirectories.insert(key);
}

bool VpxWriter::IsKnownDirectory(const std::string& key) const {
  return state_->knownDirectories.count(key) != 0;
}

std::string VpxWriter::KnownDirectoryKey(const std::string& key) const {
  const auto known = state_->knownDirectories.find(key);
  return known == state_->knownDirectories.end() ? std::string() : *known;
}

std::string VpxWriter::DirectoryForPath(const std::string& folderPath, const std::string& nameHint) {
  bool hintKnown = !nameHint.empty() && IsKnownDirectory(nameHint);
  qv::ComPtr<qv::IProduct> product = Product();
  if (!product) return {};
  // The installer reads a Directory key as a property: a hint that names one of its own
  // properties or one of the package's stays unused.
  std::string propertyValue;
  const bool hintIsProperty = !nameHint.empty() && (qv::IsInstallerProperty(nameHint) ||
                                                    product->GetProperty(ToEngine(nameHint), &propertyValue) == qv::kOk);

  std::string utf8Key;
  CHECK_HR(product->DirectoryForPath(ToEngine(folderPath), &utf8Key));
  std::string key = FromEngine(utf8Key);
  if (key.empty()) return key;

  if (!nameHint.empty() && !hintKnown && !hintIsProperty) {
    qv::ComPtr<qv::IDirectoryCollection> directories;
    qv::ComPtr<qv::IDirectory> directory;
    if (qv::Succeeded(CHECK_HR(product->GetDirectories(directories.Put()))) && directories &&
        CHECK_HR(directories->Find(utf8Key, directory.Put())) == qv::kOk && directory &&
        qv::Succeeded(CHECK_HR(directory->SetKey(ToEngine(nameHint)))))
      key = nameHint;
  }
  state_->knownDirectories.insert(key);
  return key;
}

// ---------------------------------------------------------------------------------------------
// Features

void VpxWriter::WriteFeatureRow(const std::string& key, const std::string& parent,
                                const std::string& title, const std::string& description,
                                const std::string& directory) {
  MSIRecord record(*this, "Feature");
  record.SetField(1, key);
  record.SetField(2, parent);
  record.SetField(3, title);
  record.SetField(4, description);
  record.SetField(5, static_cast<int32_t>(state_->featureCount * 2));
  record.SetField(6, 1);
  record.SetField(7, directory);
  record.SetField(8, 0);
}

void VpxWriter::CreateNumberedFeature() {
  State& s = *state_;
  ++s.featureCount;
  std::string key = s.featureCount == 1
                        ? platform::Format("%sNewFeature", s.productName.c_str())
                        : platform::Format("%sNewFeature%i", s.productName.c_str(), s.featureCount);
  MakeIdentifier(key, IdentifierLimit::kNumberedFeature);
  WriteFeatureRow(key, s.currentFeature, key, key, "INSTALLDIR");
  if (s.defaultFeature.empty()) s.defaultFeature = key;
  s.currentFeature = key;
  s.componentsInFeature = 0;
}

std::string VpxWriter::GetFeatureForNewComponent() {
  State& s = *state_;
  if ((s.currentFeature.empty() && s.defaultFeature.empty()) ||
      s.componentsInFeature >= kComponentsPerFeature)
    CreateNumberedFeature();
  return s.currentFeature.empty() ? s.defaultFeature : s.currentFeature;
}

void VpxWriter::SetCurrentFeature(const std::string& key) {
  State& s = *state_;
  if (!key.empty() && options::Options().BuildFeatures())
    s.currentFeature = key;
  else if (s.featureCount <= 1)
    s.currentFeature = s.defaultFeature;
}

bool VpxWriter::FeatureExists(const std::string& key) const {
  qv::ComPtr<qv::ITable> table = FindTable("Feature");
  qv::ComPtr<qv::IRow> row;
  return table && table->FindRow({qv::Variant::Text(ToEngine(key))}, row.Put()) == qv::kOk;
}

std::string VpxWriter::CreateFeature(const std::string& key, const std::string& parent,
                                     const std::string& title, const std::string& description,
                                     const std::string& directory) {
  State& s = *state_;
  ++s.featureCount;
  std::string featureKey = key;
  std::string parentKey = parent.empty() ? s.defaultFeature : parent;
  MakeIdentifier(featureKey, IdentifierLimit::kFeature);
  MakeIdentifier(parentKey, IdentifierLimit::kFeature);
  // Names that differ only beyond a key's length stay two features.
  const std::string base = featureKey;
  for (int n = 1; FeatureExists(featureKey); ++n) {
    const std::string number = std::to_string(n);
    featureKey = base.substr(0, kMaxFeatureKeyLength - number.size()) + number;
  }
  s.currentFeature = featureKey;
  WriteFeatureRow(featureKey, parentKey, title.empty() ? featureKey : title,
                  description.empty() ? featureKey : description,
                  directory.empty() ? std::string("INSTALLDIR") : directory);
  s.componentsInFeature = 0;
  return featureKey;
}

void VpxWriter::AddFeatureComponents(qv::IComponent* component) {
  if (!component) return;
  std::vector<std::string> features;
  std::string name;
  if (qv::Failed(CHECK_HR(component->GetFeatures(&features))) ||
      qv::Failed(CHECK_HR(component->GetName(&name))))
    return;
  qv::ComPtr<qv::ITable> table = FindTable("FeatureComponents");
  for (const std::string& utf8Feature : features) {
    std::string feature = FromEngine(utf8Feature);
    MakeIdentifier(feature, IdentifierLimit::kFeature);
    // The engine may hold the row already (it keeps a component's features): no second one.
    qv::ComPtr<qv::IRow> existing;
    if (table && table->FindRow({qv::Variant::Text(ToEngine(feature)), qv::Variant::Text(name)},
                                existing.Put()) == qv::kOk)
      continue;
    MSIRecord record(*this, "FeatureComponents");
    record.SetField(1, feature);
    record.SetFieldUtf8(2, name);
  }
}

void VpxWriter::CountComponent() { ++state_->componentsInFeature; }
const std::string& VpxWriter::CurrentFeature() const { return state_->currentFeature; }
const std::string& VpxWriter::DefaultFeature() const { return state_->defaultFeature; }
const std::string& VpxWriter::ProductName() const { return state_->productName; }

// ---------------------------------------------------------------------------------------------
// Product settings set by the conversion steps

void VpxWriter::SetMainFolder(const std::string& folder) {
  qv::ComPtr<qv::IProduct> product = Product();
  if (product) CHECK_HR(product->SetMainFolder(ToEngine(folder)));
}

void VpxWriter::SetProductIcon(const std::string& value) { SetProperty("ARPPRODUCTICON", value); }
void VpxWriter::SetRepackagingMode(const std::string& value) { SetProperty("RepackagingMode", value); }

void VpxWriter::SetLanguage(int languageId) {
  qv::ComPtr<qv::IProduct> product = Product();
  if (product) CHECK_HR(product->SetLanguage(languageId));
}

// ---------------------------------------------------------------------------------------------
// Engine access

qv::IProject* VpxWriter::Project() const { return state_->project.Get(); }

qv::ComPtr<qv::IProduct> VpxWriter::Product() const {
  State& s = *state_;
  if (!s.product && s.project) CHECK_HR(s.project.As(qv::IID_IProduct, &s.product));
  return s.product;
}

qv::ComPtr<qv::IDatabase> VpxWriter::Database() const {
  State& s = *state_;
  if (!s.database && s.project) CHECK_HR(s.project.As(qv::IID_IDatabase, &s.database));
  return s.database;
}

qv::ComPtr<qv::ITable> VpxWriter::FindTable(const std::string& tableName) const {
  qv::ComPtr<qv::ITable> table;
  qv::ComPtr<qv::IDatabase> database = Database();
  qv::ComPtr<qv::ITableCollection> tables;
  if (!database || qv::Failed(CHECK_HR(database->GetTables(tables.Put()))) || !tables) return table;
  qv::HResult hr = CHECK_HR(tables->Find(platform::Format("Name ='%s'", ToEngine(tableName).c_str()),
                                         table.Put()));
  if (hr == qv::kFalse || !table) {
    CHECK_HR(qv::kNotFound);
    table.Reset();
  }
  return table;
}

VpxWriter* CurrentProjectWriter() { return g_currentWriter; }
void SetCurrentProjectWriter(VpxWriter* writer) { g_currentWriter = writer; }

}  // namespace project
